#pragma once
// Whether windows can be translucent: a compositing manager runs (always on Wayland, asked of
// the X server under X11; the off-screen platform of tests composes in memory). Without one,
// windows get no shadow and square corners.

bool CompositorAvailable();

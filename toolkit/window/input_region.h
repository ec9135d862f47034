#pragma once
// The input region of a top-level window: the part of it that takes the pointer. A shadowed
// window is larger than what it shows; its transparent margin must let clicks through to the
// window underneath.

#include <QRect>

class QWidget;

// Gives `window` (a top-level widget) the input region `body`, in widget coordinates. Under X11
// this is the SHAPE extension's input shape, under Wayland the surface's input region; elsewhere
// nothing (the widget then ignores input outside the body by itself).
void SetInputRegion(QWidget* window, const QRect& body);

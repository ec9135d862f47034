#pragma once
// The primary screen's geometry.

namespace platform {

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// The whole primary screen, and the part of it not covered by panels and docks.
ScreenRect PrimaryScreenRect();
ScreenRect PrimaryWorkArea();

}  // namespace platform

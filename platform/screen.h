#pragma once
// Screen geometry: the primary screen, the screen under a point (the cursor, a window), and
// the work areas (screens less their panels and docks).

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

// The screen that holds the point, or the nearest one when no screen does; and its work area.
ScreenRect ScreenRectAt(int x, int y);
ScreenRect WorkAreaAt(int x, int y);
// The screen under the rectangle's centre.
ScreenRect WorkAreaOf(const ScreenRect& window);
// The rectangle moved, not resized, as little as it takes to lie inside `area`; where it is
// larger than the area, its left and top edges meet the area's.
ScreenRect MovedInside(const ScreenRect& rect, const ScreenRect& area);
// Where the pointer is, in screen coordinates.
void CursorPosition(int& x, int& y);

}  // namespace platform

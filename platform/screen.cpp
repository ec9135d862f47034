#include "platform/screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <climits>

namespace platform {
namespace {

ScreenRect FromQRect(const QRect& rect) {
    return ScreenRect{rect.left(), rect.top(), rect.left() + rect.width(),
                      rect.top() + rect.height()};
}

QScreen* ScreenAt(int x, int y) {
    const QPoint point(x, y);
    if (QScreen* screen = QGuiApplication::screenAt(point)) return screen;
    // Off every screen: the one whose edge is nearest.
    QScreen* nearest = QGuiApplication::primaryScreen();
    long best = LONG_MAX;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->geometry();
        const long dx = x < r.left() ? r.left() - x : (x > r.right() ? x - r.right() : 0);
        const long dy = y < r.top() ? r.top() - y : (y > r.bottom() ? y - r.bottom() : 0);
        if (dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = screen;
        }
    }
    return nearest;
}

}  // namespace

ScreenRect ScreenRectAt(int x, int y) {
    QScreen* screen = ScreenAt(x, y);
    return screen ? FromQRect(screen->geometry()) : PrimaryScreenRect();
}

ScreenRect WorkAreaAt(int x, int y) {
    QScreen* screen = ScreenAt(x, y);
    return screen ? FromQRect(screen->availableGeometry()) : PrimaryWorkArea();
}

ScreenRect WorkAreaOf(const ScreenRect& window) {
    return WorkAreaAt(window.left + window.Width() / 2, window.top + window.Height() / 2);
}

ScreenRect MovedInside(const ScreenRect& rect, const ScreenRect& area) {
    const int left = std::max(std::min(rect.left, area.right - rect.Width()), area.left);
    const int top = std::max(std::min(rect.top, area.bottom - rect.Height()), area.top);
    return {left, top, left + rect.Width(), top + rect.Height()};
}

void CursorPosition(int& x, int& y) {
    const QPoint point = QCursor::pos();
    x = point.x();
    y = point.y();
}

ScreenRect PrimaryScreenRect() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->geometry()) : ScreenRect{0, 0, 1024, 768};
}

ScreenRect PrimaryWorkArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->availableGeometry()) : ScreenRect{0, 0, 1024, 768};
}

}  // namespace platform

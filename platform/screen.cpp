#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {
namespace {

ScreenRect FromQRect(const QRect& rect) {
    return ScreenRect{rect.left(), rect.top(), rect.left() + rect.width(),
                      rect.top() + rect.height()};
}

}  // namespace

ScreenRect PrimaryScreenRect() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->geometry()) : ScreenRect{0, 0, 1024, 768};
}

ScreenRect PrimaryWorkArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->availableGeometry()) : ScreenRect{0, 0, 1024, 768};
}

}  // namespace platform

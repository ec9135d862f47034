#include "toolkit/window/input_region.h"

#include <QGuiApplication>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#if __has_include(<xcb/shape.h>) && defined(LUMENO_HAVE_XCB_SHAPE)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#define LUMENO_INPUT_SHAPE 1
#endif

void SetInputRegion(QWidget* window, const QRect& body) {
    if (!window || !window->isWindow() || !window->windowHandle()) return;
    const QString platform = QGuiApplication::platformName();
#ifdef LUMENO_INPUT_SHAPE
    if (platform == QLatin1String("xcb")) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11 || !x11->connection()) return;
        // The X window is measured in device pixels: at a scale above 1 the body is larger.
        const qreal scale = window->windowHandle()->devicePixelRatio();
        const int left = qRound(body.left() * scale);
        const int top = qRound(body.top() * scale);
        const int right = qRound((body.left() + body.width()) * scale);
        const int bottom = qRound((body.top() + body.height()) * scale);
        const xcb_rectangle_t rectangle{static_cast<std::int16_t>(left),
                                        static_cast<std::int16_t>(top),
                                        static_cast<std::uint16_t>(std::max(0, right - left)),
                                        static_cast<std::uint16_t>(std::max(0, bottom - top))};
        xcb_shape_rectangles(
            x11->connection(), XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
            static_cast<xcb_window_t>(window->windowHandle()->winId()), 0, 0, 1, &rectangle);
        xcb_flush(x11->connection());
        return;
    }
#endif
    // Wayland takes a window's mask as its input region and still draws the whole surface.
    if (platform.startsWith(QLatin1String("wayland"))) window->windowHandle()->setMask(body);
}

#pragma once
// Where the keyboard is in a window at a real desktop, as a person sees it: a box or a list that
// has the keys, or the drawn element that carries the focus ring, named as a reader names it.
// Keys are pressed through the X server (tests/support/real_input.h).

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>
#include <chrono>
#include <map>

#include "tests/support/pump.h"
#include "tests/support/real_input.h"
#include "toolkit/skin/skin_colors.h"
#include "toolkit/window/window_root.h"

namespace lumeno::test {

// The name of the stop the keyboard is on in `window`: one of `widgets` (by the name given
// there) when it has the keys, else the drawn element with the focus ring, else "".
inline QString KeyboardStop(VWindowImplRoot& window, const std::map<QString, QWidget*>& widgets) {
    const QWidget* focused = QApplication::focusWidget();
    for (const auto& [name, widget] : widgets)
        if (widget && focused && (widget == focused || widget->isAncestorOf(focused))) return name;
    if (window.FocusRect().IsEmpty()) return QString();
    for (const UiNode& node : window.Describe())
        if (node.rect == window.FocusRect()) return node.name;
    return QStringLiteral("?");
}

// Presses a key or chord by its X name and lets the windows take it.
inline bool PressKey(const QString& keys) {
    if (!real_input::Key(keys)) return false;
    PumpUntil([] { return false; }, std::chrono::milliseconds(150));
    return true;
}

// The pixels of the skin's focus ring inside `rect` of the window as it is drawn now.
inline int FocusRingPixels(VWindowImplRoot& window, const UiRect& rect) {
    QWidget* widget = window.Widget();
    if (!widget) return 0;
    const QImage shot = widget->grab().toImage();
    const QPoint origin = window.ClientOrigin();
    const qreal scale = shot.devicePixelRatio();
    int ring = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            const QPoint at((QPoint(x, y) + origin) * scale);
            if (!shot.rect().contains(at)) continue;
            const QColor c = shot.pixelColor(at);
            const QColor& r = palette::kFocusRing;
            if (std::abs(c.red() - r.red()) <= 2 && std::abs(c.green() - r.green()) <= 2 &&
                std::abs(c.blue() - r.blue()) <= 2)
                ++ring;
        }
    }
    return ring;
}

}  // namespace lumeno::test

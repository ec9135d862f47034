#pragma once
// What every toolkit test process needs: the decoder components, a private data folder (the log
// lands there), and the skin directory of the build.

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QMouseEvent>
#include <QString>
#include <QWidget>
#include <chrono>
#include <vector>

#include "platform/ui_thread.h"
#include "tests/support/build_tree.h"
#include "tests/support/temp_dir.h"
#include "toolkit/skin/skin_directory.h"
#include "util/component_registry.h"
#include "util/small_components.h"

namespace lumeno::test {

inline void PrepareToolkitProcess() {
    static const bool prepared = [] {
        static TempDir home;
        UseTempDataHome(home);
        RegisterComponentTable(kUtilComponentTable);
        GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
        SetSkinDirectory(QString::fromUtf8(lumeno::test::build::SkinDir()));
        return true;
    }();
    (void)prepared;
}

// Lets queued events (paints, timers, deferred actions) run.
inline void Pump(int milliseconds = 0) {
    platform::PumpMessagesUntil([] { return false; }, std::chrono::milliseconds(milliseconds));
    QApplication::processEvents();
}

// A picture of `frames` flat frames side by side, one colour each.
inline QImage FlatFrames(const std::vector<QColor>& colours, int width, int height) {
    QImage image(width * static_cast<int>(colours.size()), height,
                 QImage::Format_ARGB32_Premultiplied);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.setPixelColor(static_cast<int>(i) * width + x, y, colours[i]);
            }
        }
    }
    return image;
}

// A plain pointer move (no button held) to a widget point, with an optional time stamp.
inline void Hover(QWidget* widget, QPoint point, quint64 time = 0) {
    QMouseEvent event(QEvent::MouseMove, QPointF(point), QPointF(widget->mapToGlobal(point)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    if (time) event.setTimestamp(time);
    QApplication::sendEvent(widget, &event);
}

// One mouse event of a button, with its time stamp.
inline void SendButton(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint point,
                       quint64 time) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(point), QPointF(widget->mapToGlobal(point)), button, held,
                      Qt::NoModifier);
    event.setTimestamp(time);
    QApplication::sendEvent(widget, &event);
}

}  // namespace lumeno::test

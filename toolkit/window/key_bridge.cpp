#include "toolkit/window/key_bridge.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "platform/message_loop.h"
#include "toolkit/window/win_defs.h"
#include "toolkit/window/window_surface.h"

WPARAM VirtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WPARAM>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WPARAM>('0' + (key - Qt::Key_0));
    switch (key) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Delete:
            return VK_DELETE;
        default:
            return 0;
    }
}

namespace {

// Keys typed into native widgets (line edits, the web view) reach the loop's message filters as
// WM_KEYDOWN / WM_KEYUP of the skinned window that holds the widget, as they would on a desktop
// where every control is a window. A filter that claims the key takes it from the widget.
class KeyBridge final : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
        // Skinned surfaces pass their keys to the filters themselves.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || qobject_cast<VSurface*>(widget)) return false;
        VSurface* surface = nullptr;
        for (QWidget* up = widget->parentWidget(); up && !surface; up = up->parentWidget())
            surface = qobject_cast<VSurface*>(up);
        if (!surface || !surface->Root()) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const WPARAM code = VirtualKey(key->key());
        platform::CMessageLoop* loop = platform::GetMessageLoop();
        if (!code || !loop) return false;
        MSG msg{surface->Root()->Handle(),
                event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP, code, 0};
        return loop->PreTranslateMessage(msg);
    }
};

}  // namespace

void InstallKeyBridge() {
    static KeyBridge* bridge = nullptr;
    if (bridge || !qApp) return;
    bridge = new KeyBridge;
    bridge->setParent(qApp);
    qApp->installEventFilter(bridge);
}

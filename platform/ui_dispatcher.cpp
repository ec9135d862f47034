#include "platform/ui_dispatcher.h"

#include <QCoreApplication>
#include <QThread>
#include <future>
#include <mutex>

#include "platform/message_loop.h"
#include "platform/thread_check.h"
#include "platform/window.h"
#include "platform/window_message_event.h"

namespace platform::detail {

UiDispatcher* UiDispatcher::Instance() {
    static std::mutex mutex;
    static UiDispatcher* instance = nullptr;
    static QCoreApplication* owner = nullptr;
    std::lock_guard lock(mutex);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return nullptr;
    if (owner != app) {
        // The dispatcher belongs to the application object; a new application (tests) gets a
        // new one. The old one went away with its application's thread data.
        instance = new UiDispatcher;
        instance->moveToThread(app->thread());
        QObject::connect(app, &QObject::destroyed, [] {
            std::lock_guard relock(mutex);
            delete instance;
            instance = nullptr;
            owner = nullptr;
        });
        owner = app;
    }
    return instance;
}

QEvent::Type UiDispatcher::MessageEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void UiDispatcher::DeliverQueued(MSG msg) {
    CMessageLoop* loop = GetMessageLoop();
    if (loop) loop->NoteMessage(msg.message);
    if (loop && loop->PreTranslateMessage(msg)) return;
    if (Window* window = WindowFromHandle(msg.hwnd)) {
        DeliverMessage(*window, msg.message, msg.wParam, msg.lParam);
    }
}

bool UiDispatcher::event(QEvent* event) {
    thread_check::TakeOver(event);  // before any of it is read
    if (event->type() != MessageEventType()) return QObject::event(event);
    auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->reply) {
        LRESULT result = 0;
        if (Window* window = WindowFromHandle(message->msg.hwnd)) {
            result = DeliverMessage(*window, message->msg.message, message->msg.wParam,
                                    message->msg.lParam);
        }
        message->reply->set_value(result);
        message->reply = nullptr;
    } else if (message->action) {
        message->action();
    } else {
        DeliverQueued(message->msg);
    }
    return true;
}

}  // namespace platform::detail

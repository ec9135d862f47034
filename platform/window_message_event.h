#pragma once
// Internal: the event that carries one window message to the UI thread.

#include <QEvent>
#include <functional>
#include <future>

#include "platform/ui_dispatcher.h"
#include "platform/win_types.h"

namespace platform::detail {

struct WindowMessageEvent final : QEvent {
    explicit WindowMessageEvent(const MSG& message)
        : QEvent(UiDispatcher::MessageEventType()), msg(message) {}
    ~WindowMessageEvent() override {
        if (reply) reply->set_value(0);  // dropped undelivered: release the waiting sender
    }

    MSG msg;
    std::promise<LRESULT>* reply = nullptr;  // set for a message sent from another thread
    std::function<void()> action;            // set for work the loop itself must do
};

}  // namespace platform::detail

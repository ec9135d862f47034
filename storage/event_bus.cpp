#include "storage/event_bus.h"

#include <algorithm>

#include "platform/window.h"
#include "util/user_messages.h"

void DBEventBus::Subscribe(std::uint32_t mask, IDBEventListener* listener) {
    if (listener) subscribers_.push_back({mask, listener});
}

void DBEventBus::Unsubscribe(std::uint32_t mask, IDBEventListener* listener) {
    for (Subscription& subscription : subscribers_) {
        // While events are delivered, a removed entry is only blanked, so positions stay valid.
        if (subscription.mask == mask && subscription.listener == listener)
            subscription.listener = nullptr;
    }
    if (delivering_ == 0) {
        subscribers_.erase(std::remove_if(subscribers_.begin(), subscribers_.end(),
                                          [](const Subscription& s) { return !s.listener; }),
                           subscribers_.end());
    }
}

void DBEventBus::Post(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    queue_.push_back({kind, first, second});
    platform::PostMessage(window_, UM_DISPATCH_EVENTS, 0, 0);
}

void DBEventBus::Drain() {
    ++delivering_;
    while (!queue_.empty()) {
        // Taken off the queue before delivery: a listener that runs a nested loop (a modal box)
        // may drain again, and must not see this event a second time.
        const Event event = queue_.front();
        queue_.pop_front();
        for (std::size_t i = 0; i < subscribers_.size(); ++i) {
            const Subscription subscription = subscribers_[i];
            if (subscription.listener && (subscription.mask & event.kind)) {
                subscription.listener->OnDBEvent(event.kind, event.first, event.second);
            }
        }
    }
    if (--delivering_ == 0) {
        subscribers_.erase(std::remove_if(subscribers_.begin(), subscribers_.end(),
                                          [](const Subscription& s) { return !s.listener; }),
                           subscribers_.end());
    }
}

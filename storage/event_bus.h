#pragma once
// The database event bus: data operations tell open windows what changed. An event is a kind
// (one bit), the object concerned and a state (usually 1 started, 2 done, 3 failed). Posting
// queues the event and asks the main window to deliver the queue; each subscriber gets the events
// whose kind is in its mask, in posting order. UI thread only.

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/win_types.h"

class IDBEventListener {
  public:
    virtual void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) = 0;

  protected:
    ~IDBEventListener() = default;
};

namespace db_event {
constexpr std::uint32_t kSignIn = 0x1;
constexpr std::uint32_t kConversationSync = 0x2;
constexpr std::uint32_t kContacts = 0x4;
constexpr std::uint32_t kSending = 0x8;
constexpr std::uint32_t kNewMessage = 0x10;
constexpr std::uint32_t kConversationLookup = 0x20;
constexpr std::uint32_t kConversationChanged = 0x40;
constexpr std::uint32_t kVoicePlayback = 0x80;
constexpr std::uint32_t kMembersChanged = 0x100;
constexpr std::uint32_t kPendingItems = 0x200;
constexpr std::uint32_t kPendingIgnored = 0x400;
constexpr std::uint32_t kPendingCompleted = 0x800;
constexpr std::uint32_t kPendingCardDelivered = 0x1000;

constexpr std::int32_t kStarted = 1;
constexpr std::int32_t kDone = 2;
constexpr std::int32_t kFailed = 3;
}  // namespace db_event

class DBEventBus {
  public:
    void SetNotificationWindow(HWND window) { window_ = window; }

    void Subscribe(std::uint32_t mask, IDBEventListener* listener);
    // Removes every subscription of (mask, listener); safe inside the listener's own callback.
    void Unsubscribe(std::uint32_t mask, IDBEventListener* listener);
    // Queues the event and posts the delivery message to the notification window.
    void Post(std::uint32_t kind, std::int32_t first, std::int32_t second);
    // Delivers every queued event (the main window calls this on the delivery message).
    void Drain();

    std::size_t QueuedEvents() const { return queue_.size(); }

  private:
    struct Subscription {
        std::uint32_t mask;
        IDBEventListener* listener;
    };
    struct Event {
        std::uint32_t kind;
        std::int32_t first;
        std::int32_t second;
    };

    HWND window_ = nullptr;
    std::vector<Subscription> subscribers_;
    std::deque<Event> queue_;
    int delivering_ = 0;
};

// The database event bus: masks, order, delivery through the main window's message.
#include "storage/event_bus.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ui_thread.h"
#include "platform/window.h"
#include "util/user_messages.h"

namespace {

using namespace std::chrono_literals;

struct Listener final : IDBEventListener {
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override {
        seen.push_back(std::to_string(kind) + ":" + std::to_string(first) + ":" +
                       std::to_string(second));
        if (react) react();
    }
    std::vector<std::string> seen;
    std::function<void()> react;
};

class MainWindowStandIn final : public platform::Window {
  public:
    explicit MainWindowStandIn(DBEventBus& bus) : bus_(bus) { CreateHandle("StandIn"); }
    ~MainWindowStandIn() override { DestroyHandle(); }
    bool ProcessWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message != UM_DISPATCH_EVENTS) return false;
        ++drains;
        bus_.Drain();
        return true;
    }
    int drains = 0;

  private:
    DBEventBus& bus_;
};

TEST(EventBus, ListenersGetOnlyTheirKindsInPostingOrderThroughTheMainWindow) {
    DBEventBus bus;
    MainWindowStandIn window(bus);
    bus.SetNotificationWindow(window.Handle());
    Listener chat, pending;
    bus.Subscribe(0x78, &chat);
    bus.Subscribe(0xE00, &pending);
    bus.Post(0x10, 5, 2);
    bus.Post(0x200, 0, 1);
    bus.Post(0x8, -1, 3);
    bus.Post(0x1, 0, 2);
    EXPECT_TRUE(chat.seen.empty()) << "nothing is delivered before the main window drains";
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return bus.QueuedEvents() == 0; }, 10s));
    EXPECT_EQ(chat.seen, (std::vector<std::string>{"16:5:2", "8:-1:3"}));
    EXPECT_EQ(pending.seen, (std::vector<std::string>{"512:0:1"}));
}

TEST(EventBus, UnsubscribingInsideTheCallbackIsSafe) {
    DBEventBus bus;
    Listener first, second;
    bus.Subscribe(0x2, &first);
    bus.Subscribe(0x2, &second);
    first.react = [&] { bus.Unsubscribe(0x2, &first); };
    second.react = [&] { bus.Unsubscribe(0x2, &second); };
    bus.Post(0x2, 1, 2);
    bus.Post(0x2, 2, 2);
    bus.Drain();
    EXPECT_EQ(first.seen.size(), 1u);
    EXPECT_EQ(second.seen.size(), 1u);
}

TEST(EventBus, NestedDrainDeliversEachEventOnce) {
    DBEventBus bus;
    Listener modal, other;
    bus.Subscribe(0x4, &modal);
    bus.Subscribe(0x4, &other);
    // The first listener runs a nested loop, which drains the bus again.
    modal.react = [&] {
        if (modal.seen.size() == 1) bus.Drain();
    };
    bus.Post(0x4, 1, 2);
    bus.Post(0x4, 2, 2);
    bus.Drain();
    EXPECT_EQ(modal.seen, (std::vector<std::string>{"4:1:2", "4:2:2"}));
    EXPECT_EQ(other.seen.size(), 2u);
    EXPECT_EQ(other.seen[0], "4:2:2") << "the nested drain delivered the second event first";
}

TEST(EventBus, EventsPostedWhileDrainingAreDeliveredInTheSamePass) {
    DBEventBus bus;
    Listener listener;
    bus.Subscribe(0xFFFF, &listener);
    listener.react = [&] {
        if (listener.seen.size() == 1) bus.Post(0x40, 9, 2);
    };
    bus.Post(0x2, 0, 2);
    bus.Drain();
    EXPECT_EQ(listener.seen, (std::vector<std::string>{"2:0:2", "64:9:2"}));
}

}  // namespace

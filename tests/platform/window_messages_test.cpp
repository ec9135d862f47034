// Window handles and messages: posting from any thread, sending, filters, timers, idle handlers.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/message_loop.h"
#include "platform/ui_thread.h"
#include "platform/window.h"

namespace {

using namespace std::chrono_literals;

class RecordingWindow final : public platform::Window {
  public:
    explicit RecordingWindow(const char* className = "RecordingWindow") { CreateHandle(className); }
    ~RecordingWindow() override { DestroyHandle(); }
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override {
        received.push_back({Handle(), message, wParam, lParam});
        threads.push_back(std::this_thread::get_id());
        if (message == WM_USER + 50) {
            result = static_cast<LRESULT>(wParam * 2);
            return true;
        }
        return message != WM_CLOSE || keepOnClose;
    }
    std::vector<MSG> received;
    std::vector<std::thread::id> threads;
    bool keepOnClose = true;

    int Count(UINT message) const {
        int count = 0;
        for (const MSG& msg : received)
            count += msg.message == message;
        return count;
    }
};

TEST(WindowMessages, CreateAndDestroyDeliverTheirMessagesAndRetireTheHandle) {
    HWND handle;
    {
        RecordingWindow window("SomeClass");
        handle = window.Handle();
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(window.Count(WM_CREATE), 1);
        EXPECT_TRUE(platform::IsWindow(handle));
        EXPECT_EQ(platform::FindWindowByClass("SomeClass"), handle);
        EXPECT_EQ(platform::WindowFromHandle(handle), &window);
    }
    EXPECT_FALSE(platform::IsWindow(handle));
    EXPECT_EQ(platform::FindWindowByClass("SomeClass"), nullptr);
    EXPECT_FALSE(platform::PostMessage(nullptr, WM_USER, 0, 0));
    RecordingWindow next;
    EXPECT_NE(next.Handle(), handle) << "handles are never reused";
}

TEST(WindowMessages, PostsFromManyThreadsArriveOnTheUiThreadInPerThreadOrder) {
    RecordingWindow window;
    constexpr int kThreads = 4, kEach = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&window, t] {
            for (int i = 0; i < kEach; ++i) {
                platform::PostMessage(window.Handle(), WM_USER + 1, static_cast<WPARAM>(t), i);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [&] { return window.Count(WM_USER + 1) == kThreads * kEach; }, 20s));
    std::vector<LPARAM> last(kThreads, -1);
    for (std::size_t i = 0; i < window.received.size(); ++i) {
        const MSG& msg = window.received[i];
        if (msg.message != WM_USER + 1) continue;
        EXPECT_EQ(msg.lParam, last[msg.wParam] + 1);
        last[msg.wParam] = msg.lParam;
        EXPECT_EQ(window.threads[i], std::this_thread::get_id());
    }
}

TEST(WindowMessages, MessagePostedToAWindowThatWentAwayIsDropped) {
    auto window = std::make_unique<RecordingWindow>();
    HWND handle = window->Handle();
    EXPECT_TRUE(platform::PostMessage(handle, WM_USER + 2, 0, 0));
    window.reset();
    RecordingWindow other;
    platform::PostMessage(other.Handle(), WM_USER + 3, 0, 0);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return other.Count(WM_USER + 3) == 1; }, 20s));
    EXPECT_EQ(other.Count(WM_USER + 2), 0);
}

TEST(WindowMessages, SendMessageAnswersOnTheUiThreadFromAnyThread) {
    RecordingWindow window;
    EXPECT_EQ(platform::SendMessage(window.Handle(), WM_USER + 50, 21, 0), 42);
    std::atomic<LRESULT> answer{0};
    std::thread sender(
        [&] { answer = platform::SendMessage(window.Handle(), WM_USER + 50, 5, 0); });
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return answer.load() == 10; }, 20s));
    sender.join();
    EXPECT_EQ(window.threads.back(), std::this_thread::get_id());
    EXPECT_EQ(platform::SendMessage(nullptr, WM_USER + 50, 1, 0), 0);
}

TEST(WindowMessages, UnhandledCloseDestroysTheWindow) {
    RecordingWindow window;
    window.keepOnClose = false;
    HWND handle = window.Handle();
    platform::PostMessage(handle, WM_CLOSE, 0, 0);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !platform::IsWindow(handle); }, 20s));
    EXPECT_EQ(window.Count(WM_DESTROY), 1);
}

TEST(WindowMessages, RegisteredMessageNumbersAreStablePerName) {
    UINT a = platform::RegisterWindowMessage("LumenoAsyncWorkFlow");
    UINT b = platform::RegisterWindowMessage("TrayTaskbarNotifyMsg");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_NE(a, b);
    EXPECT_EQ(platform::RegisterWindowMessage("LumenoAsyncWorkFlow"), a);
}

TEST(WindowTimers, DeliverTimerMessagesWithTheirIdUntilKilled) {
    RecordingWindow window;
    ASSERT_TRUE(platform::SetTimer(window.Handle(), 7, 10));
    ASSERT_TRUE(platform::SetTimer(window.Handle(), 9, 15));
    auto ticks = [&](WPARAM id) {
        int count = 0;
        for (const MSG& msg : window.received)
            count += msg.message == WM_TIMER && msg.wParam == id;
        return count;
    };
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return ticks(7) >= 3 && ticks(9) >= 2; }, 20s));
    EXPECT_TRUE(platform::KillTimer(window.Handle(), 7));
    EXPECT_FALSE(platform::KillTimer(window.Handle(), 7));
    const int afterKill = ticks(7);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return ticks(9) >= 6; }, 20s));
    EXPECT_EQ(ticks(7), afterKill);
    EXPECT_FALSE(platform::SetTimer(nullptr, 1, 10));
}

TEST(WindowTimers, TimerKilledInsideItsOwnTickAndTimersOfDestroyedWindowsStop) {
    auto window = std::make_unique<RecordingWindow>();
    HWND handle = window->Handle();
    struct Killer final : platform::Window {
        Killer() { CreateHandle("Killer"); }
        ~Killer() override { DestroyHandle(); }
        bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
            if (message == WM_TIMER) {
                ++ticks;
                platform::KillTimer(Handle(), wParam);
            }
            return true;
        }
        int ticks = 0;
    } killer;
    platform::SetTimer(killer.Handle(), 1, 5);
    platform::SetTimer(handle, 2, 5);
    window.reset();  // its timer goes with it
    platform::PumpMessagesUntil([] { return false; }, 100ms);
    EXPECT_EQ(killer.ticks, 1);
}

class Filter final : public platform::CMessageFilter {
  public:
    explicit Filter(UINT claim) : claim_(claim) {}
    bool PreTranslateMessage(MSG& msg) override {
        seen.push_back(msg.message);
        return msg.message == claim_;
    }
    std::vector<UINT> seen;

  private:
    UINT claim_;
};

TEST(MessageLoop, FiltersSeeQueuedMessagesNewestFirstAndMayClaimThem) {
    platform::CMessageLoop loop;
    ASSERT_TRUE(platform::AddMessageLoop(&loop));
    EXPECT_EQ(platform::GetMessageLoop(), &loop);
    Filter older(WM_USER + 10), newer(WM_USER + 11);
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    RecordingWindow window;
    platform::PostMessage(window.Handle(), WM_USER + 10, 0, 0);
    platform::PostMessage(window.Handle(), WM_USER + 11, 0, 0);
    platform::PostMessage(window.Handle(), WM_USER + 12, 0, 0);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return window.Count(WM_USER + 12) == 1; }, 20s));
    EXPECT_EQ(window.Count(WM_USER + 10), 0);
    EXPECT_EQ(window.Count(WM_USER + 11), 0);
    EXPECT_EQ(newer.seen, (std::vector<UINT>{WM_USER + 10, WM_USER + 11, WM_USER + 12}));
    EXPECT_EQ(older.seen, (std::vector<UINT>{WM_USER + 10, WM_USER + 12}));
    loop.RemoveMessageFilter(&newer);
    loop.RemoveMessageFilter(&older);
    EXPECT_TRUE(platform::RemoveMessageLoop());
    EXPECT_EQ(platform::GetMessageLoop(), nullptr);
}

class Idle final : public platform::CIdleHandler {
  public:
    bool OnIdle() override {
        ++calls;
        return false;
    }
    int calls = 0;
};

TEST(MessageLoop, IdleHandlersRunOnceAfterMessagesButNotAfterMouseMoves) {
    platform::CMessageLoop loop;
    platform::AddMessageLoop(&loop);
    Idle idle;
    loop.AddIdleHandler(&idle);
    RecordingWindow window;
    QTimer::singleShot(0, [] {
        auto* w = platform::WindowFromHandle(platform::FindWindowByClass("RecordingWindow"));
        platform::PostMessage(w->Handle(), WM_USER + 20, 0, 0);
        QTimer::singleShot(50, [w] {
            platform::PostMessage(w->Handle(), WM_MOUSEMOVE, 0, 0);
            QTimer::singleShot(50, [] { platform::PostQuitMessage(3); });
        });
    });
    EXPECT_EQ(loop.Run(), 3);
    // Idle once at the start, once after WM_USER + 20; the mouse move and the quit (which is
    // the loop's own) do not re-arm it.
    EXPECT_EQ(idle.calls, 2);
    loop.RemoveIdleHandler(&idle);
    platform::RemoveMessageLoop();
}

}  // namespace

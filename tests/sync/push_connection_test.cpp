// The push connection against scripted servers: the protocol, replies in odd shapes, silence,
// closes, and stopping at once.
#include "net/long_connection.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/ui_thread.h"
#include "scripted_push_server.h"
#include "tests/support/flow_window.h"
#include "tests/support/log_file.h"
#include "tests/support/temp_dir.h"

namespace {

using lumeno::test::PushPeer;
using lumeno::test::ScriptedPushServer;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class PushConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::UseTempDataHome(dir_); }

    // Runs one connection period against `server`; returns its result.
    int Period(const ScriptedPushServer& server, std::chrono::seconds limit = 60s) {
        ServerSettings settings;
        settings.pushHost = "127.0.0.1";
        settings.pushPort = server.Port();
        int result = -1;
        RunFlow(&handle_, [&, settings](CAsyncWorkFlow& flow) {
            result = PushConnection(settings, "10001", flow, [this] { ++notifications_; });
        });
        EXPECT_TRUE(platform::PumpMessagesUntil([&] { return !handle_.Busy(); }, limit));
        return result;
    }

    lumeno::test::TempDir dir_;
    lumeno::test::FlowWindow window_;
    FlowHandle handle_;
    int notifications_ = 0;
};

TEST_F(PushConnectionTest, AnnouncesPingsAndNotifiesOnNews) {
    std::vector<std::string> heard;
    ScriptedPushServer server([&](PushPeer& peer) {
        heard.push_back(peer.ReadMessage());
        peer.Send("ok#");
        heard.push_back(peer.ReadMessage());
        peer.Send("1#");  // news
        heard.push_back(peer.ReadMessage());
        peer.Send("0#");  // nothing new, and then news during the second read
        std::this_thread::sleep_for(50ms);
        peer.Send("1#");
        heard.push_back(peer.ReadMessage());
    });
    EXPECT_EQ(Period(server), 1);
    server.Finish();
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[0], "uid#10001#ping#");
    EXPECT_EQ(heard[1], "ping#");
    EXPECT_EQ(heard[2], "ping#");
    EXPECT_EQ(notifications_, 2);
}

TEST_F(PushConnectionTest, RepliesSplitOverManyPiecesAreJoined) {
    ScriptedPushServer server([](PushPeer& peer) {
        peer.ReadMessage();
        peer.SendInPieces({"o", "k", "#"}, 30ms);
        peer.ReadMessage();
        peer.SendInPieces({"x", "y", "z", "1", "#"}, 30ms);
        peer.ReadMessage();
    });
    EXPECT_EQ(Period(server), 1);
    EXPECT_EQ(notifications_, 1);
}

TEST_F(PushConnectionTest, ReplyStartingWithHashNeverCompletesAndTheCloseEndsIt) {
    ScriptedPushServer server([](PushPeer& peer) {
        peer.ReadMessage();
        peer.Send("#ok");
        std::this_thread::sleep_for(100ms);
        peer.Send("#1#");
        std::this_thread::sleep_for(100ms);
    });
    const auto started = Clock::now();
    EXPECT_EQ(Period(server), 0) << "no ping exchange completed";
    EXPECT_LT(Clock::now() - started, 10s) << "ended by the close, not by a time-out";
    EXPECT_EQ(notifications_, 0);
}

TEST_F(PushConnectionTest, ReplyToAPingStartingWithHashIsNoNews) {
    ScriptedPushServer server([](PushPeer& peer) {
        peer.ReadMessage();
        peer.Send("ok#");
        peer.ReadMessage();
        peer.Send("#1#");  // never complete: the close ends it
        std::this_thread::sleep_for(100ms);
    });
    EXPECT_EQ(Period(server), 0);
    EXPECT_EQ(notifications_, 0) << "an incomplete reply carries no news";
}

// The cap is exact: a reply may grow to 4 KiB before its end comes, and not one byte further.
TEST_F(PushConnectionTest, AReplyMayReachFourKilobytesButNotPassThem) {
    constexpr std::size_t kCap = 4096;
    const auto serve = [](std::size_t unended) {
        return [unended](PushPeer& peer) {
            peer.ReadMessage();
            peer.Send("ok#");
            peer.ReadMessage();
            peer.SendInPieces({std::string(unended, 'x'), "1#"}, 100ms);
            // Then the service goes, which ends the period at once.
            peer.WaitForClose(1s);
        };
    };
    ScriptedPushServer atTheCap(serve(kCap));
    Period(atTheCap, 30s);
    EXPECT_EQ(notifications_, 1) << "a reply of exactly the cap carries its news";
    notifications_ = 0;
    ScriptedPushServer pastTheCap(serve(kCap + 1));
    EXPECT_EQ(Period(pastTheCap, 30s), 0);
    EXPECT_EQ(notifications_, 0) << "one byte past the cap is no reply";
}

TEST_F(PushConnectionTest, EndlessReplyBreaksTheConnectionAndIsLoggedOnce) {
    ScriptedPushServer server([](PushPeer& peer) {
        peer.ReadMessage();
        peer.Send("ok#");
        peer.ReadMessage();
        for (int i = 0; i < 64; ++i)
            peer.Send(std::string(1024, 'x'));  // 64 KiB without a "#"
        peer.WaitForClose(30s);
    });
    const auto started = Clock::now();
    EXPECT_EQ(Period(server), 0);
    EXPECT_LT(Clock::now() - started, 15s) << "ended by the cap, not by a time-out";
    EXPECT_EQ(notifications_, 0);
    const std::string log = lumeno::test::ReadLogFile();
    std::size_t lines = 0;
    for (std::size_t at = log.find("长连接"); at != std::string::npos;
         at = log.find("长连接", at + 1)) {
        ++lines;
    }
    EXPECT_LE(lines, 1u) << "not one line per piece";
    EXPECT_LT(log.size(), 8192u) << "the reply is not written over and over";
}

TEST_F(PushConnectionTest, ConnectionClosedMidReplyEndsThePeriodWithoutNews) {
    ScriptedPushServer server([](PushPeer& peer) {
        peer.ReadMessage();
        peer.Send("ok#");
        peer.ReadMessage();
        peer.Send("1");  // half a reply, then gone
    });
    EXPECT_EQ(Period(server), 0) << "a closed connection is no answer";
    EXPECT_EQ(notifications_, 0);
}

TEST_F(PushConnectionTest, AnnouncementRefusedEndsWithoutSuccess) {
    ScriptedPushServer server([](PushPeer& peer) {
        peer.ReadMessage();
        peer.Send("no#");
        peer.WaitForClose(5s);
    });
    EXPECT_EQ(Period(server), 0);
}

TEST_F(PushConnectionTest, SilentServerCostsOneTwentySecondWaitThenPingsGoOn) {
    std::vector<Clock::time_point> pings;
    ScriptedPushServer server([&](PushPeer& peer) {
        peer.ReadMessage();
        peer.Send("ok#");
        peer.ReadMessage();
        pings.push_back(Clock::now());
        peer.Send("0#");  // answered, then silence: the client's second read waits it out
        if (peer.ReadMessage(40s).empty()) return;
        pings.push_back(Clock::now());
    });
    EXPECT_EQ(Period(server, 90s), 1);
    server.Finish();
    ASSERT_EQ(pings.size(), 2u);
    const auto gap = std::chrono::duration_cast<std::chrono::seconds>(pings[1] - pings[0]);
    EXPECT_GE(gap.count(), 19);
    EXPECT_LE(gap.count(), 25);
}

TEST_F(PushConnectionTest, CancellingDuringAWaitEndsAtOnceAndClosesTheSocket) {
    bool closed = false;
    ScriptedPushServer server([&](PushPeer& peer) {
        peer.ReadMessage();
        peer.Send("ok#");
        peer.ReadMessage();  // a ping, never answered
        closed = peer.WaitForClose(10s);
    });
    ServerSettings settings;
    settings.pushHost = "127.0.0.1";
    settings.pushPort = server.Port();
    RunFlow(&handle_,
            [settings](CAsyncWorkFlow& flow) { PushConnection(settings, "10001", flow, [] {}); });
    platform::PumpMessagesUntil([] { return false; }, 300ms);  // the ping is out, the wait begins
    ASSERT_TRUE(handle_.Busy());
    CAsyncWorkFlow::CancelFlow(&handle_);
    EXPECT_FALSE(handle_.Busy());
    EXPECT_EQ(CAsyncWorkFlow::FreeFiberCount(), CAsyncWorkFlow::FiberCount()) << "stopped at once";
    server.Finish();
    EXPECT_TRUE(closed);
}

TEST_F(PushConnectionTest, NobodyListeningFailsAfterFiveAttempts) {
    int port;
    {
        ScriptedPushServer gone([](PushPeer&) {});
        port = gone.Port();
    }
    ServerSettings settings;
    settings.pushHost = "127.0.0.1";
    settings.pushPort = port;
    int result = -1;
    const auto started = Clock::now();
    RunFlow(&handle_, [&, settings](CAsyncWorkFlow& flow) {
        result = PushConnection(settings, "10001", flow, [] {});
    });
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !handle_.Busy(); }, 30s));
    EXPECT_EQ(result, 0);
    EXPECT_GE(Clock::now() - started, 4s) << "five attempts, one second apart";
}

}  // namespace

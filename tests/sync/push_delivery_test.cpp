// Messages written anywhere reach the signed-in client at once through the push connection,
// exactly once; its own messages come back paired with their local numbers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "api/api_controller.h"
#include "api/conversation_sync.h"
#include "api/send_message.h"
#include "config/log.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/signed_in_client.h"

namespace {

using lumeno::test::EventRecorder;
using Clock = std::chrono::steady_clock;

class PushDeliveryTest : public lumeno::test::SignedInClientTest {
  protected:
    // The one-to-one conversation with the named person.
    std::int32_t ConversationWith(const std::string& name) {
        for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
            if (c->type != kGroupConversationType && c->name == name && c->deleted == 0) return id;
        }
        return 0;
    }
    bool PushConnected(const std::string& account) {
        return service_.Get("/admin/push/sessions?qxid=" + account).find("\"sessions\":1") !=
               std::string::npos;
    }
    const MessageRecord* Message(std::int32_t id) { return CDBMsgDlg::Instance().FindMessage(id); }
};

TEST_F(PushDeliveryTest, MessagesArriveAtOnceAndOwnSendsComeBackMatched) {
    SignInAndSync("demo");
    ASSERT_TRUE(PumpUntil([&] { return PushConnected("demo"); }));
    const std::int32_t mid = ConversationWith("张伟");
    ASSERT_NE(mid, 0);
    EventRecorder events(db_event::kNewMessage);

    const auto sent = Clock::now();
    service_.Get("/admin/send?mid=" + std::to_string(mid) + "&from=zhangwei&text=hello-from-b");
    const MessageRecord* arrived = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto& event : events.events) {
            if (const MessageRecord* m = Message(event.second); m && m->text == "hello-from-b") {
                arrived = m;
                return true;
            }
        }
        return false;
    }));
    const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent);
    std::cout << "delivered through the push connection in " << latency.count() << " ms\n";
    EXPECT_LT(latency.count(), 5000) << "no polling delay";
    EXPECT_EQ(arrived->is_me, 0);
    EXPECT_EQ(events.events.back().first, 0) << "not one of ours";
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(mid)->last_dialog_id, arrived->id);

    events.events.clear();
    const std::int32_t localNumber = AdvanceSendSequence();
    MessageRecord mine;
    mine.mid = mid;
    mine.text = "hello-from-a 你好";
    SendTextMessage(mine);
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto& event : events.events) {
            if (event.first == localNumber) return true;
        }
        return false;
    }));
    const MessageRecord* echoed = Message(events.events.back().second);
    ASSERT_NE(echoed, nullptr);
    EXPECT_EQ(echoed->text, "hello-from-a 你好");
    EXPECT_EQ(echoed->is_me, 1);
    EXPECT_TRUE(CApiController::Instance().PendingSends().empty());
}

TEST_F(PushDeliveryTest, EveryPassAfterTheFirstAnnouncesOnceAndHistoryMovesNoMark) {
    EventRecorder events(db_event::kNewMessage);
    SignInAndSync("demo");
    EXPECT_TRUE(events.events.empty()) << "the first synchronisation brings history, not news";
    ASSERT_TRUE(PumpUntil([&] { return PushConnected("demo"); }));
    const std::int32_t mid = ConversationWith("张伟");
    ASSERT_NE(mid, 0);

    // Held off the push connection, a message is first brought by a history page...
    service_.Get("/admin/push?mode=silent");
    service_.Get("/admin/send?mid=" + std::to_string(mid) + "&from=zhangwei&text=by-history");
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    const SyncMark markBefore = store.MaxDialogTime();
    const std::int32_t largestBefore = store.LargestMessageId();
    bool fetched = false;
    FlowHandle history;
    RunFlow(&history, [&](CAsyncWorkFlow& flow) {
        std::vector<std::int32_t> ids;
        store.Index().erase(mid);  // nothing held: the page comes from the service
        GetHistoryPage(mid, 0, 20, ids, nullptr, flow);
        for (std::int32_t id : ids)
            fetched = fetched || (Message(id) && Message(id)->text == "by-history");
    });
    ASSERT_TRUE(PumpUntil([&] { return !history.Busy(); }));
    ASSERT_TRUE(fetched);
    EXPECT_EQ(store.MaxDialogTime().stamp, markBefore.stamp) << "history moves no mark";
    EXPECT_EQ(store.LargestMessageId(), largestBefore);

    // ...and then by an active query (not a push notice): it is told once, then never again.
    StartConversationSync(SyncKind::kActiveQuery);
    std::int32_t told = 0;
    ASSERT_TRUE(PumpUntil([&] {
        told = 0;
        for (const auto& event : events.events)
            told += Message(event.second) && Message(event.second)->text == "by-history";
        return told > 0 && !CApiController::Instance().conversationSync.Busy();
    }));
    StartConversationSync(SyncKind::kLongConnection);
    ASSERT_TRUE(PumpUntil([&] { return !CApiController::Instance().conversationSync.Busy(); }));
    told = 0;
    for (const auto& event : events.events)
        told += Message(event.second) && Message(event.second)->text == "by-history";
    EXPECT_EQ(told, 1) << "exactly once";
    service_.Get("/admin/push?mode=normal");
}

TEST_F(PushDeliveryTest, ThousandMessagesInBurstsFromBothSidesNothingLostOrRepeated) {
    SignInAndSync("demo");
    ASSERT_TRUE(PumpUntil([&] { return PushConnected("demo"); }));
    const std::int32_t mid = ConversationWith("张伟");
    ASSERT_NE(mid, 0);
    EventRecorder events(db_event::kNewMessage | db_event::kSending);
    constexpr int kEach = 500, kBurst = 50;

    std::atomic<bool> peerDone{false};
    std::thread peer([&] {
        for (int i = 0; i < kEach; ++i) {
            service_.Get("/admin/send?mid=" + std::to_string(mid) + "&from=zhangwei&text=b-" +
                         std::to_string(i));
            if (i % kBurst == kBurst - 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        peerDone = true;
    });
    std::set<std::int32_t> localNumbers;
    for (int burst = 0; burst < kEach / kBurst; ++burst) {
        for (int i = 0; i < kBurst; ++i) {
            localNumbers.insert(AdvanceSendSequence());
            MessageRecord mine;
            mine.mid = mid;
            mine.text = "a-" + std::to_string(burst * kBurst + i);
            SendTextMessage(mine);
        }
        PumpUntil([] { return false; }, std::chrono::milliseconds(20));
    }
    auto delivered = [&] {
        int count = 0;
        for (const auto& event : events.events) {
            const MessageRecord* m =
                event.kind == db_event::kNewMessage ? Message(event.second) : nullptr;
            count +=
                m && m->mid == mid && (m->text.rfind("a-", 0) == 0 || m->text.rfind("b-", 0) == 0);
        }
        return count;
    };
    const bool all =
        PumpUntil([&] { return peerDone && delivered() >= 2 * kEach; }, std::chrono::seconds(240));
    peer.join();
    PumpUntil([] { return false; }, std::chrono::milliseconds(500));  // late duplicates would show
    ASSERT_TRUE(all) << "delivered " << delivered() << " of " << 2 * kEach;

    std::map<std::int32_t, int> perMessage;
    std::map<std::int32_t, int> perLocalNumber;
    std::set<std::string> texts;
    for (const auto& event : events.events) {
        if (event.kind == db_event::kSending) {
            EXPECT_NE(event.second, db_event::kFailed) << "send " << event.first << " failed";
            continue;
        }
        const MessageRecord* m = Message(event.second);
        if (!m || m->mid != mid) continue;
        ++perMessage[event.second];
        texts.insert(m->text);
        if (event.first != 0) ++perLocalNumber[event.first];
    }
    for (const auto& [id, count] : perMessage)
        EXPECT_EQ(count, 1) << "message " << id << " told twice";
    EXPECT_EQ(texts.size(), static_cast<std::size_t>(2 * kEach));
    EXPECT_EQ(perLocalNumber.size(), localNumbers.size()) << "every own send paired once";
    for (const auto& [number, count] : perLocalNumber) {
        EXPECT_TRUE(localNumbers.count(number));
        EXPECT_EQ(count, 1);
    }
    EXPECT_TRUE(CApiController::Instance().PendingSends().empty());
}

TEST_F(PushDeliveryTest, ThreeRefusedPeriodsSendTheUserBackToLogin) {
    SignInAndSync("demo");
    ASSERT_TRUE(PumpUntil([&] { return PushConnected("demo"); }));
    service_.Get("/admin/push?mode=refuse");
    service_.Get("/admin/push/close?qxid=demo");
    ASSERT_TRUE(
        PumpUntil([&] { return !window_->returnsToLogin.empty(); }, std::chrono::seconds(90)));
    EXPECT_EQ(window_->returnsToLogin[0], 1) << "a forced return";
    EXPECT_FALSE(CApiController::Instance().longConnection.Busy());
    EXPECT_EQ(window_->returnsToLogin.size(), 1u);
    // Every period's end was followed by a catch-up synchronisation.
    std::ifstream in(LogFilePath());
    std::stringstream log;
    log << in.rdbuf();
    int catchUps = 0;
    for (std::size_t at = 0;
         (at = log.str().find("** 长连接回调; GetMsgDlg 开始", at)) != std::string::npos; ++at) {
        ++catchUps;
    }
    EXPECT_GE(catchUps, 3);
}

TEST_F(PushDeliveryTest, SignOutEndsThePushConnectionAtOnce) {
    SignInAndSync("demo");
    ASSERT_TRUE(PumpUntil([&] { return PushConnected("demo"); }));
    ASSERT_TRUE(CApiController::Instance().longConnection.Busy());
    SignOut();
    EXPECT_FALSE(CApiController::Instance().longConnection.Busy());
    EXPECT_TRUE(PumpUntil(
        [&] {
            return service_.Get("/admin/push/sessions?qxid=demo").find("\"sessions\":0") !=
                   std::string::npos;
        },
        std::chrono::seconds(5)))
        << "the socket was closed";
}

}  // namespace

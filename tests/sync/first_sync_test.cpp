// The first synchronisation after sign-in against the local service: stores, order, database and
// marks agree with the service, pages included.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <set>
#include <sstream>

#include "api/api_controller.h"
#include "api/conversation_sync.h"
#include "api/login.h"
#include "config/log.h"
#include "net/url_encode.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_helper.h"
#include "tests/support/signed_in_client.h"

namespace {

using lumeno::test::EventRecorder;

std::string LogText() {
    std::ifstream in(LogFilePath());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountRows(const char* sql) {
    int value = -1;
    sqlite3_exec(
        CSQLiteHelper::Instance().Handle(), sql,
        [](void* out, int, char** values, char**) {
            *static_cast<int*>(out) = values[0] ? std::atoi(values[0]) : -1;
            return 0;
        },
        &value, nullptr);
    return value;
}

void ExpectOrderRules() {
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    const auto& order = store.Order();
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), kPendingItemsConversationId);
    for (std::size_t i = 2; i < order.size(); ++i) {
        const ConversationRecord* before = store.FindConversation(order[i - 1]);
        const ConversationRecord* after = store.FindConversation(order[i]);
        ASSERT_TRUE(before && after);
        EXPECT_EQ(after->deleted, 0);
        EXPECT_TRUE(before->last_dialog_timestamp > after->last_dialog_timestamp ||
                    (before->last_dialog_timestamp == after->last_dialog_timestamp &&
                     before->id < after->id))
            << order[i - 1] << " before " << order[i];
    }
}

class FirstSyncTest : public lumeno::test::SignedInClientTest {};

TEST_F(FirstSyncTest, ActiveQueryFillsStoresOrderDatabaseAndMarks) {
    EventRecorder events(db_event::kConversationSync);
    SignInAndSync("demo");
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    EXPECT_GE(store.Conversations().size(), 10u);
    EXPECT_FALSE(store.Messages().empty());
    ExpectOrderRules();
    EXPECT_TRUE(events.Saw(db_event::kConversationSync, db_event::kStarted));
    EXPECT_TRUE(events.Saw(db_event::kConversationSync, 4)) << "a page was merged";

    // One-to-one conversations carry their peer's name and avatar.
    int named = 0;
    for (const auto& [id, c] : store.Conversations()) {
        if (c->type != kGroupConversationType && c->member_ids.size() == 1 &&
            !c->peer_avatar.empty())
            ++named;
        if (c->type == kGroupConversationType && c->deleted == 0) {
            EXPECT_EQ(store.Groups().count(id), 1u);
        }
    }
    EXPECT_GT(named, 0);

    // The index holds every merged message of its conversation, newest first.
    for (const auto& [mid, entry] : store.Index()) {
        EXPECT_TRUE(std::is_sorted(entry.ids.rbegin(), entry.ids.rend())) << mid;
        EXPECT_EQ(entry.ids.size(), entry.held.size());
    }
    EXPECT_GT(store.MaxDialogTime().stamp, 0);
    EXPECT_GT(store.LargestConversationId(), 1);

    // What the database holds matches the store.
    EXPECT_EQ(CountRows("select count(*) from messages"),
              static_cast<int>(store.Conversations().size()));
    EXPECT_EQ(CountRows("select s_int from setting where _id=0"), store.MaxDialogTime().stamp);
    EXPECT_EQ(CountRows("select count(*) from users") > 0, true);

    const std::string log = LogText();
    for (const char* line :
         {"** 主动查询; GetMsgDlg 开始", "**** 主动查询; 开始",
          "****** DoGetMsgDlgImpl 开始查询后台接口", "****** DoGetMsgDlgImpl 开始解析返回数据",
          "**** 主动查询; 结束", "**** 主动查询; 退出"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    EXPECT_NE(log.find("after_d_time=0&last_c_time=2000-01-01+10%3A10%3A10&after_m_time=2000-01-01+"
                       "10%3A10%3A10&after_mid=0&d_page=0&after_did=0&count=200&hints=1"),
              std::string::npos)
        << "the first query of a new account";
}

TEST_F(FirstSyncTest, RequestsWhileRunningAreLoggedAndServedByOneMorePass) {
    SignInAndSync("demo");
    EventRecorder events(db_event::kConversationSync);
    StartConversationSync(SyncKind::kActiveQuery);
    ASSERT_TRUE(CApiController::Instance().conversationSync.Busy());
    StartConversationSync(SyncKind::kActiveQuery);
    StartConversationSync(SyncKind::kActiveQuery);
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().conversationSync.Busy(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_EQ(events.Count(db_event::kConversationSync, db_event::kStarted), 2)
        << "no second flow, but news announced meanwhile is fetched";
    std::string log = LogText();
    std::size_t lines = 0;
    for (std::size_t at = 0;
         (at = log.find("** 主动查询; GetMsgDlg 开始", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_GE(lines, 3u) << "sign-in's and both requests are logged";
}

TEST_F(FirstSyncTest, SecondSignInLoadsFromTheDatabaseAndAsksOnlyForNews) {
    auto shown = [] {
        std::size_t count = 0;
        for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations())
            count += c->deleted == 0;
        return count;
    };
    SignInAndSync("demo");
    const std::size_t conversations = shown();
    const std::string mark = CDBMsgDlg::Instance().MaxDialogTime().text;
    SignOut();
    SignInAndSync("demo");
    EXPECT_EQ(shown(), conversations) << "deleted conversations may arrive, but are not shown";
    EXPECT_NE(LogText().find("after_d_time=" + UrlEncode(mark)), std::string::npos);
}

class BulkFirstSyncTest : public lumeno::test::SignedInClientTest {
  protected:
    BulkFirstSyncTest()
        : SignedInClientTest({.seed = "bulk",
                              .extra = {"--bulk-conversations", "1000", "--bulk-messages", "3",
                                        "--bulk-contacts", "300"}}) {}
};

TEST_F(BulkFirstSyncTest, ThousandConversationsArriveOverSeveralPages) {
    EventRecorder events(db_event::kConversationSync);
    SignInAndSync("bench");
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    std::size_t conversations = 0;
    for (const auto& [id, c] : store.Conversations())
        conversations += id != kPendingItemsConversationId;
    EXPECT_EQ(conversations, 1000u);
    EXPECT_GE(events.Count(db_event::kConversationSync, 4), 5) << "200 conversations a page";
    EXPECT_EQ(store.Messages().size(), 3000u);
    std::size_t indexed = 0;
    for (const auto& [mid, entry] : store.Index())
        indexed += entry.ids.size();
    EXPECT_EQ(indexed, 3000u);
    EXPECT_EQ(CountRows("select count(*) from messages where _id <> 1"), 1000);
    ExpectOrderRules();
}

}  // namespace

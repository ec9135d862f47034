// Pages of history: served from memory when it can, otherwise 50 older messages are fetched first;
// and marking a conversation read. Against a scripted service that records what is asked.
#include <gtest/gtest.h>

#include <regex>

#include "api/api_controller.h"
#include "api/conversation_sync.h"
#include "config/config.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_component.h"
#include "storage/sqlite_helper.h"
#include "tests/support/client_window.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/temp_dir.h"
#include "util/small_components.h"

namespace {

using lumeno::test::HttpAnswer;
using lumeno::test::RawHttpServer;
using lumeno::test::ScriptedAnswer;
using namespace std::chrono_literals;

constexpr std::int32_t kMid = 5;

// Answers get_message with the 50 ids below before_id (none below 1), and everything else "ok".
ScriptedAnswer HistoryAnswer(const std::string& request, bool hasMore) {
    if (request.find("/get_msg_dlg?") != std::string::npos) {
        // A stuck service: always "more", nothing new, only its clock moves.
        static int clock = 0;
        ++clock;
        return {HttpAnswer(200, R"({"result":"ok","dlg_hasmore":true,"msg_hasmore":true,)"
                                R"("now":"2026-12-09 10:00:)" +
                                    std::to_string(clock % 60) + R"(","nowstamp":)" +
                                    std::to_string(1765274400 + clock) + "}")};
    }
    std::smatch match;
    if (!std::regex_search(request, match, std::regex("/get_message\\?[^ ]*before_id=(\\d+)"))) {
        return {HttpAnswer(200, R"({"result":"ok"})")};
    }
    const int before = std::stoi(match[1]);
    std::string dialogues;
    for (int id = before - 1; id >= std::max(1, before - 50); --id) {
        dialogues += (dialogues.empty() ? "" : ",") + std::string(R"({"id":)") +
                     std::to_string(id) + R"(,"mid":5,"text":"m)" + std::to_string(id) +
                     R"(","crtimestamp":)" + std::to_string(1700000000 + id) + "}";
    }
    return {HttpAnswer(200, R"({"result":"ok","hasmore":)" +
                                std::string(hasMore ? "true" : "false") +
                                R"(,"count":50,"dialogues":[)" + dialogues + "]}")};
}

class HistoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        RegisterComponentTable(kUtilComponentTable);
        RegisterComponentTable(kStorageComponentTable);
        GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
        WriteConfigString("main", "online", "0");
        WriteConfigString("main", "msg", "127.0.0.1:" + std::to_string(server_.Port()));
        window_ = std::make_unique<lumeno::test::ClientWindow>();
        // Conversation 5 holds messages 71 to 100; older ones wait on the service.
        CDBMsgDlg& store = CDBMsgDlg::Instance();
        ConversationRecord& c = store.ConversationFor(kMid);
        c.last_dialog_id = 100;
        c.badge = 3;
        std::vector<std::int32_t> ids;
        for (int id = 71; id <= 100; ++id) {
            MessageRecord m;
            m.id = id;
            m.mid = kMid;
            store.AddMessage(id, m);
            ids.push_back(id);
        }
        UpdateIndex({}, ids);
    }
    void TearDown() override {
        CDBMsgDlg::Instance().Clear();
        window_.reset();
    }
    bool Page(std::int32_t before, int size, std::vector<std::int32_t>& ids) {
        bool served = false;
        FlowHandle handle;
        RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
            served = GetHistoryPage(kMid, before, size, ids, nullptr, flow);
        });
        EXPECT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 30s));
        return served;
    }
    static std::vector<std::int32_t> Range(int from, int down) {
        std::vector<std::int32_t> ids;
        for (int id = from; id >= down; --id)
            ids.push_back(id);
        return ids;
    }

    lumeno::test::TempDir dir_;
    bool hasMore_ = true;
    RawHttpServer server_{
        [this](const std::string& request) { return HistoryAnswer(request, hasMore_); }};
    std::unique_ptr<lumeno::test::ClientWindow> window_;
};

TEST_F(HistoryTest, NewestPageComesFromMemory) {
    lumeno::test::EventRecorder events(db_event::kConversationChanged);
    std::vector<std::int32_t> ids;
    EXPECT_TRUE(Page(0, 20, ids));
    EXPECT_EQ(ids, Range(100, 81));
    EXPECT_EQ(server_.RequestCount(), 0u);
    platform::PumpMessagesUntil([&] { return !events.events.empty(); }, 5s);
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0].first, kMid);
    EXPECT_EQ(NextIndexedId(kMid, 0), 100);
    EXPECT_EQ(NextIndexedId(kMid, 81), 80);
    EXPECT_EQ(NextIndexedId(kMid, 71), 0);
}

TEST_F(HistoryTest, PageBeyondMemoryFetchesFiftyOlderFirst) {
    std::vector<std::int32_t> ids;
    EXPECT_TRUE(Page(81, 20, ids));
    ASSERT_EQ(server_.RequestCount(), 1u);
    EXPECT_NE(server_.Requests()[0].find(
                  "/lumeno/msg/v3/get_message?mid=5&before_id=71&hints=1&count=50&u="),
              std::string::npos)
        << server_.Requests()[0].substr(0, 200);
    EXPECT_EQ(ids, Range(80, 61));
    EXPECT_EQ(CDBMsgDlg::Instance().FindIndexEntry(kMid)->ids.size(), 80u);
    // Only the synchronisation moves its marks.
    EXPECT_EQ(CDBMsgDlg::Instance().MaxDialogTime().stamp, 0);
    EXPECT_EQ(CDBMsgDlg::Instance().LargestMessageId(), 0);
    EXPECT_EQ(CDBMsgDlg::Instance().LargestConversationId(), 0);
}

TEST_F(HistoryTest, SynchronisationStopsPagingWhenNoMarkMoves) {
    StartConversationSync(SyncKind::kActiveQuery);
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [] { return !CApiController::Instance().conversationSync.Busy(); }, 60s));
    std::size_t pages = 0;
    for (const std::string& request : server_.Requests())
        pages += request.find("/get_msg_dlg?") != std::string::npos;
    EXPECT_GE(pages, 1u);
    EXPECT_LE(pages, 2u) << "a service that says more without moving a mark is not asked again";
    CAsyncWorkFlow::CancelFlow(&CApiController::Instance().longConnection);
    CAsyncWorkFlow::CancelFlow(&CApiController::Instance().presenceHeartbeat);
}

TEST_F(HistoryTest, AnAnswerWhoseConversationsCannotBeWrittenLeavesNoMarkInTheFile) {
    CSQLiteHelper& database = CSQLiteHelper::Instance();
    ASSERT_TRUE(database.OpenAccount("marks"));
    database.RunStatement("DROP TABLE messages;");  // the conversations' write fails
    const std::string answer =
        R"({"result":"ok","now":"2026-12-09 10:00:00","nowstamp":1765274400,)"
        R"("messages":[{"id":9,"type":1,"last_dialog_id":900,"last_dialog_timestamp":1765274000}],)"
        R"("dialogues":[{"id":900,"mid":9,"text":"hi","crtimestamp":1765274000,)"
        R"("crtime":"2026-12-09 09:53:20"}]})";
    FlowHandle handle;
    bool ok = false;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) { ok = MergeSyncAnswer(answer, flow).ok; });
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 30s));
    EXPECT_TRUE(ok);
    std::int32_t stamp = -1;
    std::string text = "none";
    database.LoadSetting(0, stamp, text);
    database.LoadSetting(1, stamp, text);
    EXPECT_EQ(stamp, -1) << "a mark in the file would claim data that never reached it";
    EXPECT_EQ(text, "none");
    database.CloseAccount();
}

TEST_F(HistoryTest, OnlyAPushTriggeredSynchronisationAsksFromTheLargestMessageId) {
    CDBMsgDlg::Instance().LargestMessageId() = 4242;
    EXPECT_NE(BuildSyncQuery(SyncKind::kLongConnection).find("&after_did=4242&"),
              std::string::npos);
    EXPECT_NE(BuildSyncQuery(SyncKind::kActiveQuery).find("&after_did=0&"), std::string::npos);
}

TEST_F(HistoryTest, MessagesAreAnnouncedOnceAndOwnSendsPairedEvenInTheFirstSynchronisation) {
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    MessageRecord mine;
    mine.id = 101;
    mine.mid = kMid;
    mine.is_me = 1;
    mine.msghash = "h-101";
    store.AddMessage(101, mine);
    CApiController::Instance().PendingSends()[7].msghash = "h-101";
    lumeno::test::EventRecorder events(db_event::kNewMessage);
    AnnounceMessages({100, 101}, false);  // the first synchronisation: history, but pairs
    AnnounceMessages({100, 101}, true);   // already accounted for: nothing again
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !events.events.empty(); }, 5s));
    platform::PumpMessagesUntil([] { return false; }, 100ms);
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0].first, 7);
    EXPECT_EQ(events.events[0].second, 101);
    AnnounceMessages({99, 99}, true);
    platform::PumpMessagesUntil([&] { return events.events.size() > 1; }, 5s);
    platform::PumpMessagesUntil([] { return false; }, 100ms);
    ASSERT_EQ(events.events.size(), 2u);
    EXPECT_EQ(events.events[1].first, 0);
    EXPECT_EQ(events.events[1].second, 99);
}

TEST_F(HistoryTest, WithNothingMoreOnTheServiceTheRestIsServed) {
    CDBMsgDlg::Instance().FindIndexEntry(kMid)->moreOnServer = 0;
    std::vector<std::int32_t> ids;
    EXPECT_TRUE(Page(76, 20, ids));
    EXPECT_EQ(ids, Range(75, 71));
    EXPECT_EQ(server_.RequestCount(), 0u);
}

TEST_F(HistoryTest, UnknownBeforeIdFetchesBelowTheOldestHeld) {
    std::vector<std::int32_t> ids;
    Page(500, 10, ids);
    ASSERT_EQ(server_.RequestCount(), 1u);
    EXPECT_NE(server_.Requests()[0].find("before_id=71&"), std::string::npos);
    EXPECT_TRUE(ids.empty()) << "500 is still not in the index";
}

TEST_F(HistoryTest, LastPageFromTheServiceEndsTheMoreFlag) {
    hasMore_ = false;
    std::vector<std::int32_t> ids;
    Page(81, 20, ids);
    EXPECT_EQ(CDBMsgDlg::Instance().FindIndexEntry(kMid)->moreOnServer, 0);
    ids.clear();
    EXPECT_TRUE(Page(30, 100, ids)) << "the rest, however little";
    EXPECT_EQ(ids, Range(29, 21));
}

TEST_F(HistoryTest, MarkReadClearsTheBadgeOnceAndTellsTheService) {
    MarkConversationRead(kMid);
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(kMid)->badge, 0);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return server_.RequestCount() == 1; }, 30s));
    EXPECT_NE(server_.Requests()[0].find("/lumeno/msg/v3/clear_badge?mid=5&last_did=100&u="),
              std::string::npos);
    MarkConversationRead(kMid);  // badge 0 now: nothing is sent
    MarkConversationRead(999);   // no such conversation
    platform::PumpMessagesUntil([] { return false; }, 200ms);
    EXPECT_EQ(server_.RequestCount(), 1u);
}

}  // namespace

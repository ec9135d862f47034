// Conversation lookup and group answers on scripted answers: matching stored conversations,
// the query forms, conversations reported again, and operations that send nothing.
#include <gtest/gtest.h>

#include "api/conversation_sync.h"
#include "api/group_chat.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "tests/people/people_steps.h"
#include "tests/people/scripted_service.h"

namespace {

using lumeno::test::EventRecorder;
using lumeno::test::RunStep;
using namespace std::chrono_literals;

class GroupChatAnswersTest : public lumeno::test::ScriptedServiceTest {
  protected:
    ConversationRecord& Stored(std::int32_t id, std::vector<std::string> members,
                               std::int32_t type) {
        ConversationRecord& c = CDBMsgDlg::Instance().ConversationFor(id);
        c.member_ids = std::move(members);
        c.type = type;
        return c;
    }
    std::int32_t Lookup(std::vector<std::string> qxids, bool anonymous = false) {
        std::int32_t id = -1;
        EXPECT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
            id = GetConversationId(nullptr, anonymous, flow, qxids);
        }));
        return id;
    }
};

TEST_F(GroupChatAnswersTest, StoredConversationsAreFoundWithoutARequest) {
    Answer("/lumeno/msg/v3/get_mid",
           R"({"result":"ok","mid":900,"name":"新群","uids":"me,a,b,c"})");
    Stored(40, {"a", "b"}, 2);
    Stored(30, {"me", "a", "b"}, kGroupConversationType);
    Stored(20, {"a", "b", "c"}, kGroupConversationType).deleted = 1;
    Stored(50, {"x"}, 1);
    Stored(60, {"x"}, 2);
    EXPECT_EQ(Lookup({"b", "a"}), 30) << "lowest id, order and the own qxid do not matter";
    EXPECT_EQ(Lookup({"x"}, true), 50);
    EXPECT_EQ(Lookup({"x"}, false), 60);
    EXPECT_TRUE(RequestLines().empty());
    EXPECT_EQ(Lookup({"a", "b", "c"}), 900) << "a deleted conversation is not reused";
    ASSERT_EQ(RequestLines().size(), 1u);
    EXPECT_NE(RequestLines()[0].find("get_mid?dst_uids=a,b,c&mtype=4&u=me"), std::string::npos);
    const ConversationRecord* fresh = CDBMsgDlg::Instance().FindConversation(900);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->type, kGroupConversationType) << "several people make a group";
    EXPECT_EQ(fresh->name, "新群");
    EXPECT_EQ(fresh->member_ids, (std::vector<std::string>{"me", "a", "b", "c"}));
    EXPECT_FALSE(fresh->display_time.empty());
    EXPECT_EQ(ConversationIdQuery({"solo"}), "qxid=solo&mtype=1");
}

TEST_F(GroupChatAnswersTest, ConversationReportedAgainIsUpdatedInPlace) {
    ConversationRecord& group = Stored(77, {"me", "a", "b"}, kGroupConversationType);
    group.badge = 4;
    group.last_dialog_id = 1234;
    group.name = "旧名";
    EXPECT_EQ(DecodeNewConversation(R"({"result":"ok","mid":77,"name":"新名","uids":"me,a,b,c"})",
                                    {"a", "b", "c"}),
              77);
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(77), &group);
    EXPECT_EQ(group.name, "新名");
    EXPECT_EQ(group.member_ids.size(), 4u);
    EXPECT_EQ(group.badge, 4) << "what the answer does not carry stays";
    EXPECT_EQ(group.last_dialog_id, 1234);
    EXPECT_EQ(DecodeNewConversation(R"({"result":"fail","mid":77})", {"a"}), 0);
    EXPECT_EQ(DecodeNewConversation(R"({"result":"ok","mid":0})", {"a"}), 0);
    EXPECT_EQ(DecodeNewConversation("[]", {"a"}), 0);
}

TEST_F(GroupChatAnswersTest, RenameSendsNothingForTheSameOrAnEmptyName) {
    Answer("/lumeno/msg/v3/set_msg_name", R"({"result":"ok"})");
    Stored(88, {"me", "a", "b"}, kGroupConversationType).name = "周会";
    bool same = true, empty = true, missing = true, fresh = false;
    EventRecorder events(db_event::kConversationChanged);
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        same = RenameConversation(nullptr, 88, "周会", flow);
        empty = RenameConversation(nullptr, 88, "", flow);
        missing = RenameConversation(nullptr, 89, "x", flow);
        fresh = RenameConversation(nullptr, 88, "周会 & 复盘", flow);
    }));
    EXPECT_FALSE(same);
    EXPECT_FALSE(empty);
    EXPECT_FALSE(missing);
    EXPECT_TRUE(fresh);
    ASSERT_EQ(RequestLines().size(), 1u);
    EXPECT_NE(RequestLines()[0].find(
                  "set_msg_name?mid=88&name=%E5%91%A8%E4%BC%9A+%26+%E5%A4%8D%E7%9B%98&u=me"),
              std::string::npos)
        << RequestLines()[0];
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(88)->name, "周会 & 复盘");
}

TEST_F(GroupChatAnswersTest, NotifySwitchPostsOnlyOnChange) {
    Stored(90, {"a"}, 2);
    EventRecorder events(db_event::kConversationChanged);
    EXPECT_NE(SetNotify(90, true), nullptr);
    ASSERT_NE(SetNotify(90, false), nullptr);
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(90)->notify, 0);
    platform::PumpMessagesUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(events.events.size(), 1u);
}

TEST_F(GroupChatAnswersTest, AnonymousPictureOnlyForAnAnonymousOneToOneConversation) {
    UserRecord seeker;
    seeker.qxid = "s";
    seeker.avatar = "5";
    CDBUser::Instance().Users()["s"] = seeker;
    UserRecord odd = seeker;
    odd.qxid = "o";
    odd.avatar = "../../etc/x";
    CDBUser::Instance().Users()["o"] = odd;
    std::string path;
    EXPECT_TRUE(AnonymousAvatarPath(&Stored(1000, {"s"}, 1), path));
    EXPECT_NE(path.find("/skin/qxstc-ie6fix/images/anony/5.png"), std::string::npos);
    path.clear();
    ConversationRecord& mine = Stored(1001, {"s"}, 1);
    mine.me_is_anony = 1;
    EXPECT_FALSE(AnonymousAvatarPath(&mine, path));
    EXPECT_FALSE(AnonymousAvatarPath(&Stored(1002, {"s"}, 2), path));
    EXPECT_FALSE(AnonymousAvatarPath(&Stored(1003, {"o"}, 1), path)) << "no path from odd names";
    EXPECT_FALSE(AnonymousAvatarPath(nullptr, path));
    EXPECT_TRUE(path.empty());
}

// A synchronisation answer that names the people of group 77, from the service's clock `at`.
std::string SyncAnswer(const std::string& uids, int at) {
    const std::string stamp = std::to_string(1764583200 + at);
    return R"({"result":"ok","msg_hasmore":false,"dlg_hasmore":false,"nowstamp":)" + stamp +
           R"(,"now":"2026-12-01 10:00:00","dialogues":[],"messages":[{"id":77,"type":3,)" +
           R"("name":"周会","uids":")" + uids + R"(","status_timestamp":)" + stamp +
           R"(,"status_time":"2026-12-01 10:00:00"}]})";
}

TEST_F(GroupChatAnswersTest, AnswerMadeBeforeAMemberChangeDoesNotUndoIt) {
    const std::string sync = "/lumeno/msg/v3/get_msg_dlg";
    auto syncRequests = [&] {
        std::size_t n = 0;
        for (const std::string& line : RequestLines())
            n += line.find(sync) != std::string::npos;
        return n;
    };
    auto members = [] { return CDBMsgDlg::Instance().FindConversation(77)->member_ids; };
    ConversationRecord& group = Stored(77, {"me", "a", "b"}, kGroupConversationType);
    group.uids = "me,a,b";
    group.name = "周会";
    Answer("/lumeno/msg/v3/add_user",
           R"({"result":"ok","mid":77,"type":3,"name":"周会","uids":"me,a,b,c"})");
    Answer(sync, SyncAnswer("me,a,b", 1));
    Hold(sync);
    StartConversationSync(SyncKind::kActiveQuery);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return syncRequests() == 1; }, 30s))
        << "the answer is made, without c";
    bool added = false;
    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { added = AddMembers(77, nullptr, flow, {"c"}); }));
    ASSERT_TRUE(added);
    const std::vector<std::string> withC{"me", "a", "b", "c"};
    EXPECT_EQ(members(), withC);

    Answer(sync, SyncAnswer("me,a,b,c", 2));  // what the pass that the change asked for finds
    Release(sync);                            // the older answer lands after the change
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return syncRequests() == 2; }, 30s));
    EXPECT_EQ(members(), withC) << "the older answer is merged and leaves c in";
    Release(sync);
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [] { return !CApiController::Instance().conversationSync.Busy(); }, 30s));
    EXPECT_EQ(members(), withC);

    // Answers asked for after the change are taken as they come: someone removed b meanwhile.
    Answer(sync, SyncAnswer("me,a,c", 3));
    Release(sync);
    StartConversationSync(SyncKind::kActiveQuery);
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [] { return !CApiController::Instance().conversationSync.Busy(); }, 30s));
    EXPECT_EQ(members(), (std::vector<std::string>{"me", "a", "c"}));
}

}  // namespace

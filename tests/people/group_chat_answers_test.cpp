// Conversation lookup and group answers on scripted answers: matching stored conversations,
// the query forms, conversations reported again, and operations that send nothing.
#include <gtest/gtest.h>

#include "api/group_chat.h"
#include "storage/msg_dlg_store.h"
#include "tests/people/people_steps.h"
#include "tests/people/scripted_service.h"

namespace {

using lumeno::test::EventRecorder;
using lumeno::test::RunStep;

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

}  // namespace

// Group chats against the local service: finding and creating conversations, renaming, adding
// and removing members, and what every member's next synchronisation shows.
#include <gtest/gtest.h>

#include <set>

#include "api/conversation_sync.h"
#include "api/group_chat.h"
#include "api/login.h"
#include "config/config.h"
#include "storage/msg_dlg_store.h"
#include "tests/people/people_steps.h"
#include "tests/support/signed_in_client.h"

namespace {

using lumeno::test::EventRecorder;
using lumeno::test::RunStep;

constexpr const char* kDemo = "10001";
constexpr const char* kZhang = "10002";
constexpr const char* kWang = "10003";
constexpr const char* kAlice = "10004";

class GroupChatServiceTest : public lumeno::test::SignedInClientTest {
  protected:
    // Waits for the synchronisation that an operation started, and one more to settle.
    void Synchronise() {
        ASSERT_TRUE(PumpUntil([&] { return !CApiController::Instance().conversationSync.Busy(); }));
        EventRecorder events(db_event::kConversationSync);
        StartConversationSync(SyncKind::kActiveQuery);
        ASSERT_TRUE(PumpUntil([&] { return !CApiController::Instance().conversationSync.Busy(); }));
    }
    static std::set<std::string> Members(std::int32_t id) {
        const ConversationRecord* c = CDBMsgDlg::Instance().FindConversation(id);
        if (!c) return {};
        return std::set<std::string>(c->member_ids.begin(), c->member_ids.end());
    }
};

TEST_F(GroupChatServiceTest, GroupIsCreatedRenamedChangedAndEveryMemberSeesIt) {
    SignInAndSync("demo");
    const std::string name = " Q3 规划 & review 2026";  // spaces, an ampersand and Chinese
    std::int32_t mid = 0, again = 0;
    bool renamed = false, added = false, removed = false;
    ErrorRecord error;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        mid = GetConversationId(&error, false, flow, {kZhang, kWang});
    }));
    ASSERT_GT(mid, 0) << error.error_msg;
    ConversationRecord* group = CDBMsgDlg::Instance().FindConversation(mid);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->type, kGroupConversationType);
    EXPECT_EQ(Members(mid), (std::set<std::string>{kDemo, kZhang, kWang}));

    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        again = GetConversationId(&error, false, flow, {kWang, kZhang});
    }));
    EXPECT_EQ(again, mid) << "found in the store";

    EventRecorder changed(db_event::kConversationChanged);
    ASSERT_TRUE(RunStep(
        [&](CAsyncWorkFlow& flow) { renamed = RenameConversation(&error, mid, name, flow); }));
    ASSERT_TRUE(renamed) << error.error_msg;
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(mid), group) << "updated in place";
    ASSERT_TRUE(
        PumpUntil([&] { return changed.Saw(db_event::kConversationChanged, db_event::kDone); }));

    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { added = AddMembers(mid, &error, flow, {kAlice}); }));
    ASSERT_TRUE(added) << error.error_msg;
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(mid), group);
    EXPECT_TRUE(Members(mid).count(kAlice));
    ASSERT_TRUE(RunStep(
        [&](CAsyncWorkFlow& flow) { removed = RemoveMembers(mid, &error, false, flow, {kWang}); }));
    ASSERT_TRUE(removed) << error.error_msg;
    Synchronise();
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(mid), group);
    EXPECT_EQ(group->name, "Q3 规划 & review 2026");
    EXPECT_EQ(Members(mid), (std::set<std::string>{kDemo, kZhang, kAlice}));
    SignOut();

    for (const char* member : {"zhangwei", "alice"}) {
        SignInAndSync(member);
        const ConversationRecord* seen = CDBMsgDlg::Instance().FindConversation(mid);
        ASSERT_NE(seen, nullptr) << member;
        EXPECT_EQ(seen->name, "Q3 规划 & review 2026") << member;
        EXPECT_EQ(Members(mid), (std::set<std::string>{kDemo, kZhang, kAlice})) << member;
        SignOut();
    }
    SignInAndSync("wangfang");
    const ConversationRecord* left = CDBMsgDlg::Instance().FindConversation(mid);
    EXPECT_TRUE(left == nullptr || left->deleted != 0 || !Members(mid).count(kWang))
        << "a removed member no longer sees the group as a member";
}

TEST_F(GroupChatServiceTest, OneToOneConversationGrowsIntoAGroup) {
    SignInAndSync("demo");
    std::int32_t direct = 0;
    ASSERT_TRUE(RunStep(
        [&](CAsyncWorkFlow& flow) { direct = GetConversationId(nullptr, false, flow, {kZhang}); }));
    ASSERT_GT(direct, 0);
    EXPECT_NE(CDBMsgDlg::Instance().FindConversation(direct)->type, kGroupConversationType);
    bool grown = false;
    ASSERT_TRUE(RunStep(
        [&](CAsyncWorkFlow& flow) { grown = AddMembers(direct, nullptr, flow, {kAlice}); }));
    EXPECT_TRUE(grown);
    EXPECT_NE(CDBMsgDlg::Instance().FindConversation(direct), nullptr)
        << "the one-to-one conversation itself stays";
    bool found = false;
    for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
        if (c->type == kGroupConversationType &&
            Members(id) == std::set<std::string>{kDemo, kZhang, kAlice}) {
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(GroupChatServiceTest, LeavingAndFailuresAreAnnounced) {
    SignInAndSync("demo");
    std::int32_t team = 0;
    for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
        if (c->name == "周末徒步") team = id;
    }
    ASSERT_GT(team, 0);
    EventRecorder events(db_event::kMembersChanged);
    bool result = true;
    ErrorRecord error;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        result = RemoveMembers(team, &error, false, flow, {kAlice});
    }));
    EXPECT_FALSE(result) << "only the creator removes others";
    EXPECT_GT(error.error_code, 0);
    ASSERT_TRUE(RunStep(
        [&](CAsyncWorkFlow& flow) { result = RemoveMembers(team, nullptr, true, flow, {kDemo}); }));
    EXPECT_TRUE(result);
    ASSERT_TRUE(PumpUntil([&] { return events.events.size() == 2; }));
    EXPECT_EQ(events.events[0].second, db_event::kFailed);
    EXPECT_EQ(events.events[1].first, team);
    EXPECT_EQ(events.events[1].second, db_event::kDone);
}

TEST_F(GroupChatServiceTest, RestrictedGroupsAcceptMembersOnlyFromTheirCreator) {
    SignInAndSync("demo");
    std::int32_t official = 0, own = 0;
    for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
        if (c->name == "Lumeno 官方用户群") official = id;
        if (c->name == "产品研发群") own = id;
    }
    ASSERT_GT(official, 0);
    ASSERT_GT(own, 0);
    EXPECT_TRUE(IsRestrictedGroup(1532144));
    EXPECT_TRUE(IsRestrictedGroup(1412131));
    EXPECT_FALSE(IsRestrictedGroup(official));
    EXPECT_TRUE(MayAddMembers(official));
    WriteConfigString("group", "mid", std::to_string(official));
    EXPECT_TRUE(IsRestrictedGroup(official));
    EXPECT_FALSE(MayAddMembers(official));
    WriteConfigString("group", "mid", std::to_string(own));
    EXPECT_TRUE(MayAddMembers(own)) << "the demo account created it";

    ErrorRecord error;
    bool added = true;
    ASSERT_TRUE(RunStep(
        [&](CAsyncWorkFlow& flow) { added = AddMembers(official, &error, flow, {kZhang}); }));
    EXPECT_FALSE(added) << "the service refuses as well";
    EXPECT_GT(error.error_code, 0);
}

TEST_F(GroupChatServiceTest, NotifySwitchIsWrittenAndKeptAcrossSignIns) {
    SignInAndSync("demo");
    std::int32_t team = 0;
    for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
        if (c->name == "产品研发群") team = id;
    }
    ASSERT_GT(team, 0);
    EventRecorder events(db_event::kConversationChanged);
    ASSERT_NE(SetNotify(team, false), nullptr);
    SetNotify(team, false);
    EXPECT_EQ(SetNotify(987654, true), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !events.events.empty(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(events.Count(db_event::kConversationChanged, db_event::kDone), 1);
    SignOut();
    SignInOnly("demo");
    ASSERT_NE(CDBMsgDlg::Instance().FindConversation(team), nullptr);
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(team)->notify, 0);
}

TEST_F(GroupChatServiceTest, SwitchingNotifyAgainWhileItIsWrittenKeepsTheLastChoice) {
    SignInAndSync("demo");
    std::int32_t team = 0;
    for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
        if (c->name == "产品研发群") team = id;
    }
    ASSERT_GT(team, 0);
    ASSERT_EQ(CDBMsgDlg::Instance().FindConversation(team)->notify, 1);
    ASSERT_NE(SetNotify(team, false), nullptr);  // its write starts at once
    ASSERT_NE(SetNotify(team, true), nullptr);   // while that write runs
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(team)->notify, 1);
    ASSERT_TRUE(RunStep([](CAsyncWorkFlow& flow) { WaitConversationWrites(flow); }));
    SignOut();
    SignInOnly("demo");
    ASSERT_NE(CDBMsgDlg::Instance().FindConversation(team), nullptr);
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(team)->notify, 1);
}

}  // namespace

// Finding and creating conversations, renaming groups and changing their members.
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

constexpr int kWithZhang = 1000;
constexpr int kTeamGroup = 1004;      // created by the demo account
constexpr int kHikingGroup = 1005;    // created by 刘洋
constexpr int kOfficialGroup = 1006;  // only its creator may add members

class ServerGroupContract : public ServiceFixture {
  protected:
    void SetUp() override {
        StartService("demo");
        me = SignIn("demo");
    }
    Session me;
};

TEST_F(ServerGroupContract, OneToOneConversationIsFoundOrMade) {
    RawAnswer a = Call(me, "msg/v3/get_mid", "qxid=10002&mtype=1");
    ASSERT_TRUE(IsOk(a));
    EXPECT_TRUE(IsInt32(a.json, "mid"));
    EXPECT_EQ(a.json["mid"].asInt(), kWithZhang);
    for (const char* name : {"name", "uids"})
        EXPECT_TRUE(IsText(a.json, name));

    // 吴婷 is a friend of a friend: a new conversation, which she sees with the first message.
    RawAnswer fresh = Call(me, "msg/v3/get_mid", "qxid=10012&mtype=1");
    ASSERT_TRUE(IsOk(fresh));
    int mid = fresh.json["mid"].asInt();
    EXPECT_GT(mid, 1012);
    EXPECT_EQ(Call(me, "msg/v3/get_mid", "qxid=10012&mtype=1").json["mid"].asInt(), mid);
    Session wu = TokenFor("wuting");
    SyncClient client;
    auto contains = [&](const Json::Value& answer) {
        for (const Json::Value& c : answer["messages"])
            if (c["id"].asInt() == mid) return true;
        return false;
    };
    Json::Value before = Call(wu, "msg/v3/get_msg_dlg", client.Query(SyncClient::kActive)).json;
    client.Merge(before);
    EXPECT_FALSE(contains(before));
    ASSERT_EQ(Send(me, mid, "你好，吴婷"), "ok");
    Json::Value after =
        Call(wu, "msg/v3/get_msg_dlg", client.Query(SyncClient::kLongConnection)).json;
    EXPECT_TRUE(contains(after));
}

TEST_F(ServerGroupContract, StrangersCannotBeWrittenToAndBadRequestsAreRefused) {
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/get_mid", "qxid=10013&mtype=1"), 10003));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/get_mid", "qxid=10001&mtype=1"), 10001));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/get_mid", "qxid=77&mtype=1"), 10002));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/get_mid", "qxid=10002&mtype=3"), 10001));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/get_mid", "dst_uids=10002&mtype=4"), 10001));
}

TEST_F(ServerGroupContract, GroupWithTheSameMembersIsReused) {
    RawAnswer a = Call(me, "msg/v3/get_mid", "dst_uids=10003,10004&mtype=4");
    ASSERT_TRUE(IsOk(a));
    int mid = a.json["mid"].asInt();
    EXPECT_EQ(a.json["type"].asInt(), 3);
    EXPECT_EQ(a.json["uids"].asString(), "10001,10003,10004");
    EXPECT_EQ(a.json["name"].asString(), "林晓、王芳、Alice Martin");
    RawAnswer again = Call(me, "msg/v3/get_mid", "dst_uids=10004,10003,10001&mtype=4");
    EXPECT_EQ(again.json["mid"].asInt(), mid);
    // The members see the group and the notice of its making.
    Session wang = SignIn("wangfang");
    RawAnswer history =
        Call(wang, "msg/v3/get_message", "mid=" + std::to_string(mid) + "&before_id=0");
    ASSERT_EQ(history.json["dialogues"].size(), 1u);
    EXPECT_EQ(history.json["dialogues"][0]["type"].asInt(), 99);
}

TEST_F(ServerGroupContract, RenamingChecksLengthAndKind) {
    RawAnswer a = Call(me, "msg/v3/set_msg_name", "mid=1004&name=" + UrlEncode("新 产品群"));
    ASSERT_TRUE(IsOk(a));
    EXPECT_EQ(a.json["name"].asString(), "新 产品群");
    EXPECT_TRUE(IsErrorEnvelope(
        Call(me, "msg/v3/set_msg_name", "mid=1004&name=" + std::string(51, 'x')), 10001));
    EXPECT_TRUE(IsOk(Call(me, "msg/v3/set_msg_name", "mid=1004&name=" + std::string(50, 'x'))));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/set_msg_name", "mid=1000&name=x"), 10003));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/set_msg_name", "mid=1004&name="), 10001));
}

TEST_F(ServerGroupContract, AddingMembersAnswersTheNewMemberList) {
    RawAnswer a = Call(me, "msg/v3/add_user", "mid=1005&uids=10018,10019");
    ASSERT_TRUE(IsOk(a));
    EXPECT_EQ(a.json["mid"].asInt(), kHikingGroup);
    EXPECT_EQ(a.json["uids"].asString(), "10007,10001,10003,10004,10017,10018,10019");
    // Already there: nothing changes.
    EXPECT_EQ(Call(me, "msg/v3/add_user", "mid=1005&uids=10018").json["uids"], a.json["uids"]);
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/add_user", "mid=1006&uids=10002"), 10003));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/add_user", "mid=1000&uids=10003"), 10003));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/add_user", "mid=1005&uids=55"), 10002));
    // A new member sees the group from its invitation on, not its earlier messages.
    Session he = TokenFor("hejun");
    RawAnswer history = Call(he, "msg/v3/get_message", "mid=1005&before_id=0");
    ASSERT_EQ(history.json["dialogues"].size(), 1u);
    EXPECT_EQ(history.json["dialogues"][0]["text"].asString(), "林晓邀请何军、高雪加入了群聊");
}

TEST_F(ServerGroupContract, OnlyTheCreatorRemovesOthersAndAnyoneMayLeave) {
    Session zhang = SignIn("zhangwei");
    EXPECT_TRUE(IsErrorEnvelope(Call(zhang, "msg/v3/remove_user", "mid=1004&uids=10006"), 10003));
    ASSERT_TRUE(IsOk(Call(me, "msg/v3/remove_user", "mid=1004&uids=10006")));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/remove_user", "mid=1004&uids=10006"), 10002));
    ASSERT_TRUE(IsOk(Call(zhang, "msg/v3/remove_user", "mid=1004&uids=10002")));
    // Who left cannot write any more, and sees the conversation as deleted.
    EXPECT_NE(Send(zhang, kTeamGroup, "还在吗"), "ok");
    SyncClient client;
    Json::Value sync = Call(zhang, "msg/v3/get_msg_dlg", client.Query(SyncClient::kActive)).json;
    for (const Json::Value& c : sync["messages"])
        EXPECT_NE(c["id"].asInt(), kTeamGroup);
    RawAnswer members = Call(me, "msg/v3/add_user", "mid=1004&uids=10005");
    EXPECT_EQ(members.json["uids"].asString(), "10001,10008,10005");
    // The creator leaving hands the group on.
    ASSERT_TRUE(IsOk(Call(me, "msg/v3/remove_user", "mid=1004&uids=10001")));
    Session bob = TokenFor("bobchen");
    EXPECT_TRUE(IsOk(Call(bob, "msg/v3/remove_user", "mid=1004&uids=10005")));
}

TEST_F(ServerGroupContract, MemberChangesReachTheNextIncrementalSync) {
    SyncClient client;
    client.Merge(Call(me, "msg/v3/get_msg_dlg", client.Query(SyncClient::kActive)).json);
    Session liu = TokenFor("liuyang");
    ASSERT_TRUE(IsOk(Call(liu, "msg/v3/remove_user", "mid=1005&uids=10001")));
    Json::Value next =
        Call(me, "msg/v3/get_msg_dlg", client.Query(SyncClient::kLongConnection)).json;
    bool removed = false;
    for (const Json::Value& c : next["messages"])
        if (c["id"].asInt() == kHikingGroup) removed = c["deleted"].asInt() == 1;
    EXPECT_TRUE(removed);
    for (const Json::Value& d : next["dialogues"])
        EXPECT_NE(d["mid"].asInt(), kHikingGroup) << "no messages of a group one was removed from";
}

}  // namespace
}  // namespace lumeno::server::testing

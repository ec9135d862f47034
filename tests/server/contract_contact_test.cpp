// The contact list, profile and talent cards, and the friendship operations.
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

class ServerContactContract : public ServiceFixture {
  protected:
    void SetUp() override {
        StartService("demo");
        me = SignIn("demo");
    }

    std::map<std::string, Json::Value> Areas(const Json::Value& answer) {
        std::map<std::string, Json::Value> areas;
        for (const Json::Value& a : answer["areas"])
            areas[a["l"].asString()] = a["d"];
        return areas;
    }

    Session me;
};

TEST_F(ServerContactContract, ContactListHoldsExactlyTheFriendsInPinyinOrder) {
    RawAnswer a = Call(me, "contact/v3/d1");
    ASSERT_TRUE(IsOk(a));
    const Json::Value& contacts = a.json["contacts"];
    ASSERT_EQ(contacts.size(), 14u);
    std::string previous;
    for (const Json::Value& c : contacts) {
        ExpectCompleteUser(c);
        EXPECT_EQ(c["dist"].asInt(), 1);
        EXPECT_EQ(c["utype"].asInt(), 1);
        EXPECT_LE(previous, c["py"].asString());
        previous = c["py"].asString();
    }
    bool helper = false;
    for (const Json::Value& c : contacts)
        helper |= c["qxid"].asString() == "6";
    EXPECT_TRUE(helper) << "the feedback account is a contact like any other";
}

TEST_F(ServerContactContract, ProfileShowsContactDetailsOnlyToFriends) {
    RawAnswer friend_card = Call(me, "contact/v3/detail", "u2=10002");
    ASSERT_TRUE(IsOk(friend_card));
    ExpectCompleteUser(friend_card.json["card"]);
    EXPECT_EQ(friend_card.json["card"]["dist"].asInt(), 1);
    auto areas = Areas(friend_card.json);
    ASSERT_EQ(areas.count("联系方式"), 1u);
    bool mobile = false;
    for (const Json::Value& item : areas["联系方式"]) {
        EXPECT_TRUE(IsInt32(item, "type"));
        for (const char* name : {"k", "v", "mobile", "email"})
            EXPECT_TRUE(IsText(item, name));
        mobile |= item["k"].asString() == "手机号" && item["type"].asInt() == -1;
    }
    EXPECT_TRUE(mobile);
    for (const Json::Value& tag : friend_card.json["tags"]) {
        EXPECT_TRUE(IsFlag(tag, "me"));
        EXPECT_TRUE(IsInt32(tag, "n"));
        EXPECT_TRUE(IsText(tag, "text"));
    }
    EXPECT_EQ(friend_card.json["tags"].size(), 3u);
    for (const Json::Value& item : areas["背景"])
        for (const char* name : {"type", "start", "end", "degree"})
            EXPECT_TRUE(IsInt32(item, name));
    bool common = false;
    for (const Json::Value& item : areas["人脉动态"])
        common |= item["type"].asInt() == 300001;
    EXPECT_TRUE(common);

    RawAnswer stranger = Call(me, "contact/v3/detail", "u2=10009");
    EXPECT_EQ(stranger.json["card"]["dist"].asInt(), 2);
    EXPECT_EQ(Areas(stranger.json).count("联系方式"), 0u);
    EXPECT_EQ(stranger.json["button"]["t"].asString(), "加好友");
    EXPECT_EQ(Call(me, "contact/v3/detail", "u2=10013").json["card"]["dist"].asInt(), 3);
    EXPECT_EQ(Call(me, "contact/v3/detail", "u2=10001").json["card"]["dist"].asInt(), 0);
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "contact/v3/detail", "u2=424242"), 10002));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "contact/v3/detail"), 10001));
}

TEST_F(ServerContactContract, TalentCardDescribesTheJobSeeker) {
    RawAnswer a = Call(me, "talent/v3/detail", "u2=10015");
    ASSERT_TRUE(IsOk(a));
    const Json::Value& card = a.json["card"];
    for (const char* name :
         {"salary", "feed", "qxid", "line3", "line2", "line1", "beats", "avatar", "tid", "rankstr"})
        EXPECT_TRUE(IsText(card, name));
    for (const char* name : {"major", "dist", "profession", "has_viewed", "id"})
        EXPECT_TRUE(IsInt32(card, name));
    auto areas = Areas(a.json);
    for (const char* title : {"求职心态", "职场信息", "个人信息"})
        EXPECT_EQ(areas.count(title), 1u);
    EXPECT_EQ(card["avatar"].asString(), "5");
}

TEST_F(ServerContactContract, TryAddListsMutualFriendsAndRecommendationOnlyPeople) {
    RawAnswer a = Call(me, "contact/v3/try_add", "u2=10009");
    ASSERT_TRUE(IsOk(a));
    for (const char* name : {"midcnt", "dist", "reconly"})
        EXPECT_TRUE(IsInt32(a.json, name));
    for (const char* name : {"attach", "result", "hint", "hint1", "hint2", "hint3"})
        EXPECT_TRUE(IsText(a.json, name));
    ASSERT_TRUE(a.json["midus"].isArray());
    ASSERT_EQ(a.json["midus"].size(), 1u);
    EXPECT_EQ(a.json["midus"][0]["qxid"].asString(), "10002");
    EXPECT_TRUE(IsInt32(a.json["midus"][0], "cmf"));
    EXPECT_EQ(a.json["reconly"].asInt(), 0);
    RawAnswer picky = Call(me, "contact/v3/try_add", "u2=10011");
    EXPECT_EQ(picky.json["reconly"].asInt(), 1);
    EXPECT_TRUE(picky.json["midus"].isArray());
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "contact/v3/try_add", "u2=10002"), 10004));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "contact/v3/try_add", "u2=10001"), 10001));
}

TEST_F(ServerContactContract, FriendRequestReachesThePersonAsAPendingItem) {
    RawAnswer sent = RawPost(api(), "/lumeno/contact/v3/init_req?u2=10013&lv=2&" + me.auth,
                             {{"attach", "Bonjour Émilie"}});
    ASSERT_TRUE(IsOk(sent));
    EXPECT_EQ(Call(me, "contact/v3/detail", "u2=10013").json["button"]["t"].asString(), "已申请");
    Session emilie = TokenFor("emilie");
    RawAnswer tasks = Call(emilie, "user/v3/tasks", "pending=1&page=0&count=50");
    ASSERT_EQ(tasks.json["requests"].size(), 1u);
    const Json::Value& item = tasks.json["requests"][0];
    EXPECT_EQ(item["type"].asInt(), 4);
    EXPECT_EQ(item["icon_qxid"].asString(), "10001");
    EXPECT_EQ(item["attach"].asString(), "Bonjour Émilie");
    // A GET without attach is a request too; a repeat updates the first.
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/init_req", "u2=10013&lv=1")));
    EXPECT_EQ(Call(emilie, "user/v3/tasks", "pending=1").json["requests"].size(), 1u);
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "contact/v3/init_req", "u2=10011&lv=1"), 10003));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "contact/v3/init_req", "u2=10002&lv=1"), 10004));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "contact/v3/init_req", "u2=10013&lv=4"), 10001));
}

TEST_F(ServerContactContract, BreakingAFriendshipAnswersTheNewCard) {
    RawAnswer a = Call(me, "contact/v3/break", "u2=10017");
    ASSERT_TRUE(IsOk(a));
    EXPECT_GE(a.json["card"]["dist"].asInt(), 2);
    EXPECT_EQ(Areas(a.json).count("联系方式"), 0u);
    EXPECT_EQ(Call(me, "contact/v3/d1").json["contacts"].size(), 13u);
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "contact/v3/break", "u2=10017"), 10002));
}

}  // namespace
}  // namespace lumeno::server::testing

// Pending items: the list, completing and ignoring.
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

class ServerTaskContract : public ServiceFixture {
  protected:
    void SetUp() override {
        StartService("demo");
        me = SignIn("demo");
        RawAnswer a = Call(me, "user/v3/tasks", "pending=1&page=0&count=50");
        for (const Json::Value& item : a.json["requests"])
            items[item["type"].asInt()] = item;
    }

    std::string Args(int type) {
        return "type=" + std::to_string(type) + "&id=" + items[type]["id"].asString();
    }

    Session me;
    std::map<int, Json::Value> items;
};

TEST_F(ServerTaskContract, ListHoldsEveryTypeWithButtonsAndMarkup) {
    for (int type : {1, 3, 4, 5, 6, 10000})
        ASSERT_EQ(items.count(type), 1u) << type;
    for (const auto& [type, item] : items) {
        for (const char* name : {"layout", "icon_user", "icon_jid", "judge", "dist", "id",
                                 "show_attach", "type", "done", "btn_action", "btn_ignore"})
            EXPECT_TRUE(IsInt32(item, name)) << type << " " << name;
        for (const char* name : {"uptime", "title", "text", "rtext", "icon_qxid", "attach", "icon",
                                 "job_url", "resume_url", "qxids", "btn_action_text",
                                 "btn_action_url", "action_text", "btn_ignore_text", "ignore_text"})
            EXPECT_TRUE(IsText(item, name)) << type << " " << name;
        EXPECT_NE(item["uptime"].asString().find(' '), std::string::npos);
    }
    // The person link markup splits into three pieces at the closing marks.
    for (int type : {3, 4}) {
        std::string rtext = items[type]["rtext"].asString();
        size_t first = rtext.find("</dref>");
        ASSERT_NE(first, std::string::npos);
        EXPECT_NE(rtext.find("</dref>", first + 1), std::string::npos);
        EXPECT_NE(rtext.find("<dref v=" + items[type]["icon_qxid"].asString() + " >"),
                  std::string::npos);
    }
    EXPECT_EQ(items[3]["qxids"].asString(), "10010,10002");
    EXPECT_EQ(items[1]["confirm"]["post"].asInt(), 1);
    for (const char* name : {"post", "btn_action", "btn_ignore"})
        EXPECT_TRUE(IsInt32(items[3]["confirm"], name));
    EXPECT_EQ(items[5]["icon"].asString().find("/files/logo/") != std::string::npos, true);
}

TEST_F(ServerTaskContract, AcceptingAFriendRequestMakesAContactAndAConversation) {
    RawAnswer a = Call(me, "user/v3/complete_task", Args(4) + "&lv=3");
    ASSERT_TRUE(IsOk(a));
    EXPECT_EQ(a.json["card"]["qxid"].asString(), "10009");
    EXPECT_EQ(a.json["card"]["dist"].asInt(), 1);
    EXPECT_EQ(Call(me, "contact/v3/d1").json["contacts"].size(), 15u);
    RawAnswer history = Call(me, "msg/v3/get_message", "mid=1008&before_id=0");
    const Json::Value& last = history.json["dialogues"][history.json["dialogues"].size() - 1];
    EXPECT_EQ(last["type"].asInt(), 99);
    // Done once: a second answer is refused, and the open list no longer has it.
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "user/v3/complete_task", Args(4)), 10004));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "user/v3/ignore_task", Args(4)), 10004));
    EXPECT_EQ(Call(me, "user/v3/tasks", "pending=1").json["requests"].size(), 5u);
    EXPECT_EQ(Call(me, "user/v3/tasks", "pending=0").json["requests"].size(), 6u);
}

TEST_F(ServerTaskContract, PassingOnARecommendationAsksTheOtherContact) {
    RawPost(api(), "/lumeno/user/v3/complete_task?" + Args(3) + "&" + me.auth,
            {{"attach", "孙悦做市场很专业"}});
    Session zhang = SignIn("zhangwei");
    RawAnswer tasks = Call(zhang, "user/v3/tasks", "pending=1");
    bool found = false;
    for (const Json::Value& item : tasks.json["requests"])
        if (item["icon_qxid"].asString() == "10010") {
            found = true;
            EXPECT_EQ(item["type"].asInt(), 4);
            EXPECT_NE(item["attach"].asString().find("孙悦做市场很专业"), std::string::npos);
        }
    EXPECT_TRUE(found);
}

TEST_F(ServerTaskContract, SendingAResumeReachesTheRecruiter) {
    ASSERT_TRUE(IsOk(Call(me, "user/v3/complete_task", Args(5))));
    Session ma = TokenFor("machao");
    RawAnswer mid = Call(ma, "msg/v3/get_mid", "qxid=10001&mtype=1");
    RawAnswer history =
        Call(ma, "msg/v3/get_message", "mid=" + mid.json["mid"].asString() + "&before_id=0");
    ASSERT_EQ(history.json["dialogues"].size(), 1u);
    EXPECT_EQ(history.json["dialogues"][0]["type"].asInt(), 105);
    EXPECT_EQ(history.json["dialogues"][0]["resume_user"]["qxid"].asString(), "10001");
}

TEST_F(ServerTaskContract, AcceptingAnInvitationJoinsTheGroup) {
    ASSERT_TRUE(IsOk(Call(me, "user/v3/complete_task", Args(6))));
    RawAnswer history = Call(me, "msg/v3/get_message", "mid=1011&before_id=0");
    ASSERT_TRUE(IsOk(history));
    EXPECT_EQ(history.json["dialogues"][0]["text"].asString(), "林晓加入了群聊");
}

TEST_F(ServerTaskContract, IgnoringAndMistakes) {
    EXPECT_TRUE(IsOk(Call(me, "user/v3/ignore_task", Args(10000))));
    EXPECT_TRUE(
        IsErrorEnvelope(Call(me, "user/v3/ignore_task", "type=4&" + Args(5).substr(7)), 10001));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "user/v3/complete_task", "type=4&id=999999"), 10002));
    Session zhang = SignIn("zhangwei");
    EXPECT_TRUE(IsErrorEnvelope(Call(zhang, "user/v3/complete_task", Args(4)), 10002));
    RawAnswer page = Call(me, "user/v3/tasks", "pending=1&page=1&count=4");
    EXPECT_EQ(page.json["requests"].size(), 1u);
    EXPECT_FALSE(page.json["hasmore"].asBool());
    EXPECT_TRUE(Call(me, "user/v3/tasks", "pending=1&page=0&count=4").json["hasmore"].asBool());
}

}  // namespace
}  // namespace lumeno::server::testing

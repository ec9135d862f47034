// Synchronisation, history, read marks, sending and voice clips, driven over raw HTTP.
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

// Conversations of the demo seed, in the order it makes them.
constexpr int kWithZhang = 1000;
constexpr int kTeamGroup = 1004;
constexpr int kAnonymous = 1007;
constexpr int kWithZheng = 1009;  // deleted by the demo account
constexpr int kWithXu = 1010;     // older than a first synchronisation reaches

class ServerMessageContract : public ServiceFixture {
  protected:
    void SetUp() override {
        StartService("demo");
        me = SignIn("demo");
    }

    Json::Value FirstSync() {
        SyncClient client;
        RawAnswer a = Call(me, "msg/v3/get_msg_dlg", client.Query(SyncClient::kActive));
        EXPECT_TRUE(IsOk(a));
        return a.json;
    }

    Session me;
};

TEST_F(ServerMessageContract, SyncAnswerHasEveryMemberInTheKindsTheClientReads) {
    Json::Value a = FirstSync();
    EXPECT_TRUE(IsBool(a, "msg_hasmore"));
    EXPECT_TRUE(IsBool(a, "dlg_hasmore"));
    for (const char* name : {"msg_count", "nowstamp", "dlg_count"})
        EXPECT_TRUE(IsInt32(a, name));
    EXPECT_TRUE(IsText(a, "now"));
    for (const char* name : {"messages", "dialogues", "specials", "update_msgs"})
        EXPECT_TRUE(a[name].isArray()) << name;
    EXPECT_EQ(a["msg_count"].asUInt(), a["messages"].size());
    EXPECT_EQ(a["dlg_count"].asUInt(), a["dialogues"].size());

    for (const Json::Value& c : a["messages"]) {
        EXPECT_TRUE(IsFlag(c, "me_is_anony"));
        for (const char* name :
             {"last_read_did", "status_timestamp", "has_reveal", "id", "master_uid", "type",
              "deleted", "crtimestamp", "max_cnt", "last_dialog_timestamp", "has_reply", "badge",
              "init_by_me", "last_dialog_src_uid"})
            EXPECT_TRUE(IsInt32(c, name)) << c["id"];
        for (const char* name :
             {"status_time", "mhash", "text", "last_dialog_time", "crtime", "uids", "name"})
            EXPECT_TRUE(IsText(c, name)) << c["id"];
        EXPECT_NE(c["id"].asInt(), 1);  // the pending-items entry is the client's own
        ASSERT_TRUE(c["users"].isArray());
        for (const Json::Value& u : c["users"])
            ExpectCompleteUser(u);
    }
    for (const Json::Value& d : a["dialogues"]) {
        for (const char* name : {"is_me", "unread", "anonym", "atme"})
            EXPECT_TRUE(IsFlag(d, name));
        for (const char* name : {"type", "old_id", "mid", "file_type", "uptimestamp", "crtimestamp",
                                 "file_id", "id", "reveal_uid", "jid"})
            EXPECT_TRUE(IsInt32(d, name));
        for (const char* name :
             {"reveal_tid", "msghash", "crtime", "qxid", "uptime", "text", "tid"})
            EXPECT_TRUE(IsText(d, name));
    }
    ASSERT_EQ(a["specials"].size(), 1u);
    const Json::Value& special = a["specials"][0];
    for (const char* name : {"uptime", "title", "text"})
        EXPECT_TRUE(IsText(special, name));
    for (const char* name : {"uptimestamp", "badge"})
        EXPECT_TRUE(IsInt32(special, name));
    EXPECT_EQ(special["badge"].asInt(), 6);
    for (const Json::Value& u : a["update_msgs"])
        for (const char* name : {"count", "last_read_did", "deleted", "mid"})
            EXPECT_TRUE(IsInt32(u, name));
}

TEST_F(ServerMessageContract, FirstSyncBringsLiveConversationsWithTheirMessagesOnce) {
    Json::Value a = FirstSync();
    std::map<int, Json::Value> byId;
    for (const Json::Value& c : a["messages"])
        byId[c["id"].asInt()] = c;
    EXPECT_EQ(byId.count(kWithZheng), 0u) << "deleted conversations stay out of a first sync";
    ASSERT_EQ(byId.count(kWithXu), 1u);
    EXPECT_EQ(byId[kWithZhang]["badge"].asInt(), 2);
    EXPECT_EQ(byId[kTeamGroup]["badge"].asInt(), 5);
    EXPECT_EQ(byId[kTeamGroup]["type"].asInt(), 3);
    EXPECT_EQ(byId[kTeamGroup]["name"].asString(), "产品研发群");
    EXPECT_EQ(byId[kTeamGroup]["uids"].asString(), "10001,10002,10006,10008,10005");
    EXPECT_EQ(byId[kTeamGroup]["users"].size(), 4u);  // everyone but the reader
    EXPECT_EQ(byId[kTeamGroup]["init_by_me"].asInt(), 1);
    EXPECT_EQ(byId[kWithZhang]["uids"].asString(), "10001,10002");
    EXPECT_EQ(byId[kAnonymous]["type"].asInt(), 1);
    ASSERT_EQ(byId[kAnonymous]["users"].size(), 1u);
    EXPECT_EQ(byId[kAnonymous]["users"][0]["anonym"].asInt(), 1);
    EXPECT_EQ(byId[kAnonymous]["users"][0]["avatar"].asString(), "5");

    std::set<int> ids;
    int previous = 0;
    for (const Json::Value& d : a["dialogues"]) {
        int id = d["id"].asInt();
        EXPECT_GT(id, previous) << "message ids increase";
        previous = id;
        ids.insert(id);
        EXPECT_EQ(byId.count(d["mid"].asInt()), 1u) << "every message comes with its conversation";
        EXPECT_NE(d["mid"].asInt(), kWithXu) << "a month-old message is history, not news";
    }
    EXPECT_FALSE(a["msg_hasmore"].asBool());
    EXPECT_FALSE(a["dlg_hasmore"].asBool());
}

TEST_F(ServerMessageContract, MessagesOfEveryKindCarryTheirObjects) {
    Json::Value a = FirstSync();
    std::map<int, int> kinds;
    for (const Json::Value& d : a["dialogues"]) {
        int type = d["type"].asInt();
        ++kinds[type];
        if (type == 2) {
            for (const char* name : {"xsize", "ysize", "tx", "ty", "duration"})
                EXPECT_TRUE(IsInt32(d["file"], name));
            EXPECT_EQ(d["file"]["url"].asString().rfind(
                          "http://127.0.0.1:" + std::to_string(api()) + "/files/pic/", 0),
                      0u);
            EXPECT_LE(d["file"]["tx"].asInt(), 200);
            EXPECT_EQ(d["file_type"].asInt(), 1);
        }
        if (type == 1) {
            EXPECT_GT(d["file"]["duration"].asInt(), 0);
            EXPECT_EQ(d["file_type"].asInt(), 2);
            EXPECT_TRUE(IsFlag(d, "unread"));
        }
        if (type == 101) ExpectCompleteUser(d["reveal_user"]);
        if (type == 100 || type == 102) {
            for (const char* name : {"id", "status", "dist", "salary", "views", "has_viewed"})
                EXPECT_TRUE(IsInt32(d["job"], name));
            for (const char* name :
                 {"province", "custom_text", "sup_text", "city", "company", "user_info", "qxid",
                  "position", "salary_info", "crtime", "clogo", "share_url"})
                EXPECT_TRUE(IsText(d["job"], name));
            ExpectCompleteUser(d["job"]["user"]);
        }
        if (type == 105) {
            for (const char* name : {"dist", "work_time", "id"})
                EXPECT_TRUE(IsInt32(d["resume_user"], name));
            for (const char* name : {"province", "realname", "wt", "wbname", "avatar", "position",
                                     "line", "qxid", "share_url"})
                EXPECT_TRUE(IsText(d["resume_user"], name));
        }
        if (type == 0 && d["text"].asString().find("[smiles_01_") != std::string::npos) ++kinds[-1];
        if (d["atme"].asInt() == 1) ++kinds[-2];
        if (d["anonym"].asInt() == 1) ++kinds[-3];
    }
    for (int type : {0, 1, 2, 99, 100, 101, 102, 105, -1, -2, -3})
        EXPECT_GT(kinds[type], 0) << type;
}

TEST_F(ServerMessageContract, HistoryPagesBackwardsWithHasmore) {
    RawAnswer a = Call(me, "msg/v3/get_message", "mid=1000&before_id=0&hints=1&count=5");
    ASSERT_TRUE(IsOk(a));
    EXPECT_TRUE(IsBool(a.json, "hasmore"));
    EXPECT_TRUE(a.json["hasmore"].asBool());
    ASSERT_EQ(a.json["dialogues"].size(), 5u);
    std::vector<int> seen;
    int oldest = a.json["dialogues"][0]["id"].asInt();
    for (const Json::Value& d : a.json["dialogues"])
        seen.push_back(d["id"].asInt());
    while (true) {
        RawAnswer page = Call(me, "msg/v3/get_message",
                              "mid=1000&before_id=" + std::to_string(oldest) + "&hints=1&count=5");
        ASSERT_TRUE(IsOk(page));
        for (const Json::Value& d : page.json["dialogues"]) {
            EXPECT_LT(d["id"].asInt(), oldest);
            EXPECT_EQ(d["mid"].asInt(), 1000);
            seen.push_back(d["id"].asInt());
        }
        if (!page.json["hasmore"].asBool()) break;
        oldest = page.json["dialogues"][0]["id"].asInt();
    }
    std::set<int> unique(seen.begin(), seen.end());
    EXPECT_EQ(unique.size(), seen.size());
    EXPECT_EQ(seen.size(), 13u);  // the whole conversation
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/get_message", "mid=1012&before_id=0"), 10003));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/get_message", "mid=99999"), 10002));
}

TEST_F(ServerMessageContract, ClearBadgeReadsUpToTheGivenMessage) {
    Json::Value a = FirstSync();
    std::vector<int> ids;
    for (const Json::Value& d : a["dialogues"])
        if (d["mid"].asInt() == kTeamGroup) ids.push_back(d["id"].asInt());
    ASSERT_GE(ids.size(), 3u);
    RawAnswer partial =
        Call(me, "msg/v3/clear_badge", "mid=1004&last_did=" + std::to_string(ids[ids.size() - 3]));
    ASSERT_TRUE(IsOk(partial));
    EXPECT_EQ(partial.json["badge"].asInt(), 2);
    RawAnswer all = Call(me, "msg/v3/clear_badge", "mid=1004&last_did=0");
    EXPECT_EQ(all.json["badge"].asInt(), 0);
    // The read mark never goes back.
    EXPECT_EQ(Call(me, "msg/v3/clear_badge", "mid=1004&last_did=1").json["badge"].asInt(), 0);
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/clear_badge", "mid=1012&last_did=0"), 10003));
}

TEST_F(ServerMessageContract, SendingStoresTextWithMentionsAndAnonymity) {
    std::string target = "/lumeno/msg/v3/add_dialogue?" + me.auth + "&" + kClientQuery;
    RawAnswer a = RawPost(api(), target,
                          {{"atuids", "10002,99999,10003"},
                           {"is_anony", "1"},
                           {"mid", "1004"},
                           {"msghash", "abc123"},
                           {"text", "@张伟 看一下 [smiles_01_01]"}});
    ASSERT_TRUE(IsOk(a));
    EXPECT_TRUE(IsInt32(a.json, "id"));
    int id = a.json["id"].asInt();
    // The same hash again is the same message.
    RawAnswer again =
        RawPost(api(), target, {{"mid", "1004"}, {"msghash", "abc123"}, {"text", "x"}});
    EXPECT_EQ(again.json["id"].asInt(), id);

    Session zhang = SignIn("zhangwei");
    RawAnswer history = Call(zhang, "msg/v3/get_message", "mid=1004&before_id=0&count=1");
    ASSERT_EQ(history.json["dialogues"].size(), 1u);
    const Json::Value& d = history.json["dialogues"][0];
    EXPECT_EQ(d["id"].asInt(), id);
    EXPECT_EQ(d["text"].asString(), "@张伟 看一下 [smiles_01_01]");
    EXPECT_EQ(d["atme"].asInt(), 1);
    EXPECT_EQ(d["anonym"].asInt(), 1);
    EXPECT_EQ(d["is_me"].asInt(), 0);
    EXPECT_EQ(d["unread"].asInt(), 1);
    EXPECT_EQ(d["msghash"].asString(), "abc123");
    RawAnswer mine = Call(me, "msg/v3/get_message", "mid=1004&before_id=0&count=1");
    EXPECT_EQ(mine.json["dialogues"][0]["is_me"].asInt(), 1);
    EXPECT_EQ(mine.json["dialogues"][0]["atme"].asInt(), 0);
}

TEST_F(ServerMessageContract, SendingAPictureStoresAndServesIt) {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x03\xc0\0\0\x01\xe0\x08\x02\0\0\0", 29);
    RawAnswer a = RawPost(
        api(), "/lumeno/msg/v3/add_dialogue?" + me.auth,
        {{"mid", "1000"}, {"msghash", "p1"}, {"pic", png}, {"xsize", "960"}, {"ysize", "480"}},
        "/home/me/Pictures/photo.png~~~");
    ASSERT_TRUE(IsOk(a));
    RawAnswer history = Call(me, "msg/v3/get_message", "mid=1000&before_id=0&count=1");
    const Json::Value& d = history.json["dialogues"][0];
    EXPECT_EQ(d["type"].asInt(), 2);
    EXPECT_EQ(d["file"]["xsize"].asInt(), 960);
    EXPECT_EQ(d["file"]["ysize"].asInt(), 480);
    EXPECT_EQ(d["file"]["tx"].asInt(), 200);
    EXPECT_EQ(d["file"]["ty"].asInt(), 100);
    std::string url = d["file"]["url"].asString();
    std::string path = url.substr(url.find("/files/"));
    RawAnswer file = RawGet(api(), path);
    EXPECT_EQ(file.status, 200);
    EXPECT_EQ(file.body, png);
    EXPECT_NE(file.headers.find("image/png"), std::string::npos);
}

TEST_F(ServerMessageContract, SendingRefusesWhatCannotBeStored) {
    std::string target = "/lumeno/msg/v3/add_dialogue?" + me.auth;
    EXPECT_TRUE(
        IsErrorEnvelope(RawPost(api(), target, {{"mid", "1000"}, {"msghash", "e"}}), 10001));
    EXPECT_TRUE(IsErrorEnvelope(RawPost(api(), target, {{"mid", "1000"}, {"pic", "not a picture"}}),
                                10001));
    EXPECT_TRUE(IsErrorEnvelope(RawPost(api(), target, {{"mid", "1012"}, {"text", "hi"}}), 10003));
    EXPECT_TRUE(
        IsErrorEnvelope(RawPost(api(), target, {{"mid", "424242"}, {"text", "hi"}}), 10002));
    EXPECT_TRUE(IsErrorEnvelope(
        RawPost(api(), target, {{"mid", "1000"}, {"text", std::string(5001, 'a')}}), 10006));
    EXPECT_TRUE(
        IsErrorEnvelope(RawPost(api(), target, {{"mid", "1000"}, {"text", "\xff\xfe"}}), 10001));
    // An empty picture part (a file the client could not open) with text is a text message.
    EXPECT_TRUE(
        IsOk(RawPost(api(), target, {{"mid", "1000"}, {"pic", ""}, {"text", "only text"}})));
}

TEST_F(ServerMessageContract, VoiceClipsAreMarkedHeardPerListener) {
    Json::Value a = FirstSync();
    int voice = 0;
    for (const Json::Value& d : a["dialogues"])
        if (d["type"].asInt() == 1 && d["unread"].asInt() == 1) voice = d["id"].asInt();
    ASSERT_GT(voice, 0);
    EXPECT_TRUE(IsOk(Call(me, "msg/v3/clear_audio_unread", "did=" + std::to_string(voice))));
    RawAnswer after = Call(me, "msg/v3/get_msg_dlg", SyncClient().Query(SyncClient::kActive));
    for (const Json::Value& d : after.json["dialogues"]) {
        if (d["id"].asInt() == voice) {
            EXPECT_EQ(d["unread"].asInt(), 0);
        }
    }
    int text_id = a["dialogues"][0]["id"].asInt();
    EXPECT_TRUE(IsErrorEnvelope(
        Call(me, "msg/v3/clear_audio_unread", "did=" + std::to_string(text_id)), 10001));
    EXPECT_TRUE(IsErrorEnvelope(Call(me, "msg/v3/clear_audio_unread", "did=999999"), 10002));
}

}  // namespace
}  // namespace lumeno::server::testing

// Signing in, tokens and presence, driven over raw HTTP.
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

class ServerAccountContract : public ServiceFixture {
  protected:
    void SetUp() override { StartService("demo"); }
};

TEST_F(ServerAccountContract, PasswordLoginAnswersTokenAndTheSignedInRecord) {
    RawAnswer a = RawPost(api(), std::string("/lumeno/user/v3/login?account=demo&") + kClientQuery,
                          {{"password", "lumeno123"}});
    ASSERT_TRUE(IsOk(a));
    EXPECT_FALSE(a.json.isMember("error_code"));  // an integer error_code would mean refusal
    EXPECT_TRUE(IsText(a.json, "token"));
    EXPECT_EQ(a.json["token"].asString().size(), 32u);
    const Json::Value& user = a.json["user"];
    for (const char* name : {"addv_url",    "avatar",   "birthday",     "city",     "company",
                             "custom_text", "email",    "encoded_qxid", "qxid",     "mobile",
                             "name_desc",   "name_pic", "position",     "province", "realname",
                             "share_url",   "tid",      "username",     "wbname",   "anon_avatar"})
        EXPECT_TRUE(IsText(user, name));
    for (const char* name : {"id", "major", "profession"})
        EXPECT_TRUE(IsInt32(user, name));
    EXPECT_EQ(user["id"].asInt(), 10001);
    EXPECT_EQ(user["qxid"].asString(), "10001");
    EXPECT_EQ(user["realname"].asString(), "林晓");
    EXPECT_EQ(user["avatar"].asString().rfind("http://127.0.0.1:", 0), 0u);
}

TEST_F(ServerAccountContract, MobileNumberSignsInLikeTheAccountName) {
    RawAnswer a =
        RawPost(api(), "/lumeno/user/v3/login?account=13800010001", {{"password", "lumeno123"}});
    ASSERT_TRUE(IsOk(a));
    EXPECT_EQ(a.json["user"]["username"].asString(), "demo");
}

TEST_F(ServerAccountContract, WrongPasswordAndUnknownAccountAreRefusedAlike) {
    RawAnswer wrong = RawPost(api(), "/lumeno/user/v3/login?account=demo", {{"password", "nope"}});
    RawAnswer unknown =
        RawPost(api(), "/lumeno/user/v3/login?account=nobody", {{"password", "lumeno123"}});
    EXPECT_TRUE(IsErrorEnvelope(wrong, 10005));
    EXPECT_TRUE(IsErrorEnvelope(unknown, 10005));
    EXPECT_EQ(wrong.json["error_msg"], unknown.json["error_msg"]);
    EXPECT_TRUE(
        IsErrorEnvelope(RawPost(api(), "/lumeno/user/v3/login", {{"password", "x"}}), 10001));
    EXPECT_TRUE(IsErrorEnvelope(RawPost(api(), "/lumeno/user/v3/login?account=demo", {}), 10001));
}

TEST_F(ServerAccountContract, PeopleWithoutPasswordCannotSignIn) {
    RawAnswer a = RawPost(api(), "/lumeno/user/v3/login?account=lina", {{"password", ""}});
    EXPECT_TRUE(IsErrorEnvelope(a, 10001));
    a = RawPost(api(), "/lumeno/user/v3/login?account=lina", {{"password", "lumeno123"}});
    EXPECT_TRUE(IsErrorEnvelope(a, 10005));
}

TEST_F(ServerAccountContract, TokenLoginGivesTheSameRecordAndToken) {
    Session s = SignIn("demo");
    RawAnswer a = RawGet(api(), "/lumeno/user/v3/login?" + s.auth + "&" + kClientQuery);
    ASSERT_TRUE(IsOk(a));
    EXPECT_EQ(a.json["token"].asString(), s.token);
    EXPECT_EQ(a.json["user"]["qxid"].asString(), "10001");
    EXPECT_FALSE(a.json.isMember("error_code"));
}

TEST_F(ServerAccountContract, EveryAuthenticatedOperationRefusesBadTokens) {
    Session s = SignIn("demo");
    const char* const operations[] = {"user/v3/login",
                                      "msg/v3/pc_status?on=1",
                                      "msg/v3/get_msg_dlg",
                                      "msg/v3/get_message?mid=1000",
                                      "msg/v3/clear_badge?mid=1000",
                                      "msg/v3/get_mid?qxid=10002&mtype=1",
                                      "msg/v3/set_msg_name?mid=1004&name=x",
                                      "msg/v3/add_user?mid=1004&uids=10003",
                                      "msg/v3/remove_user?mid=1004&uids=10001",
                                      "contact/v3/d1",
                                      "contact/v3/detail?u2=10002",
                                      "talent/v3/detail?u2=10015",
                                      "contact/v3/try_add?u2=10009",
                                      "contact/v3/break?u2=10002",
                                      "contact/v3/init_req?u2=10009&lv=1",
                                      "user/v3/tasks?pending=1&page=0&count=50",
                                      "user/v3/complete_task?type=6&id=1",
                                      "user/v3/ignore_task?type=6&id=1",
                                      "msg/v3/clear_audio_unread?did=1"};
    for (const char* op : operations) {
        std::string sep = std::string(op).find('?') == std::string::npos ? "?" : "&";
        std::string base = std::string("/lumeno/") + op + sep;
        SCOPED_TRACE(op);
        EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), base + kClientQuery), 20001));
        EXPECT_TRUE(IsErrorEnvelope(
            RawGet(api(), base + "u=10001&access_token=0123456789abcdef&" + kClientQuery), 20001));
        // Someone else's qxid with this token.
        EXPECT_TRUE(IsErrorEnvelope(
            RawGet(api(), base + "u=10002&access_token=" + s.token + "&" + kClientQuery), 20001));
    }
    EXPECT_TRUE(
        IsErrorEnvelope(RawPost(api(), "/lumeno/msg/v3/add_dialogue?u=10001&access_token=bad",
                                {{"mid", "1000"}, {"text", "hi"}}),
                        20001));
    // Nothing changed: the demo account still has its contacts.
    EXPECT_TRUE(IsOk(Call(s, "contact/v3/d1")));
}

TEST_F(ServerAccountContract, RevokedTokensAnswerTheirCodeUntilTheNextSignIn) {
    Session s = SignIn("demo");
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/revoke?qxid=10001&code=20002")));
    EXPECT_TRUE(IsErrorEnvelope(Call(s, "contact/v3/d1"), 20002));
    EXPECT_TRUE(IsErrorEnvelope(Call(s, "msg/v3/pc_status", "on=1"), 20002));
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/lumeno/user/v3/login?" + s.auth), 20002));
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/revoke?qxid=10001&code=20001")));
    EXPECT_TRUE(IsErrorEnvelope(Call(s, "contact/v3/d1"), 20001));
    Session again = SignIn("demo");
    EXPECT_TRUE(IsOk(Call(again, "contact/v3/d1")));
}

TEST_F(ServerAccountContract, PresenceTakesZeroOrOne) {
    Session s = SignIn("demo");
    EXPECT_TRUE(IsOk(Call(s, "msg/v3/pc_status", "on=1")));
    EXPECT_TRUE(IsOk(Call(s, "msg/v3/pc_status", "on=0")));
    EXPECT_TRUE(IsErrorEnvelope(Call(s, "msg/v3/pc_status", "on=2"), 10001));
    EXPECT_TRUE(IsErrorEnvelope(Call(s, "msg/v3/pc_status"), 10001));
    // Presence shows in the "sr" member of the user for others.
    Session other = SignIn("zhangwei");
    EXPECT_TRUE(IsOk(Call(s, "msg/v3/pc_status", "on=1")));
    RawAnswer detail = Call(other, "contact/v3/detail", "u2=10001");
    EXPECT_EQ(detail.json["card"]["sr"].asInt(), 1);
}

}  // namespace
}  // namespace lumeno::server::testing

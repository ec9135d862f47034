// Fault injection through the control endpoint.
#include "server_test_support.h"

namespace lumeno::server::testing {
namespace {

using Clock = std::chrono::steady_clock;

class ServerFaults : public ServiceFixture {
  protected:
    void SetUp() override {
        StartService("demo");
        me = SignIn("demo");
    }
    Session me;
};

TEST_F(ServerFaults, DelayHoldsTheAnswerBack) {
    ASSERT_TRUE(
        IsOk(RawGet(api(), "/admin/fault?kind=delay&ms=1500&path=/lumeno/contact/&count=1")));
    auto start = Clock::now();
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1")));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1500));
    start = Clock::now();
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1")));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500)) << "used up after one request";
}

TEST_F(ServerFaults, ServerErrorIsAnHtmlPage) {
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/fault?kind=http500&path=/lumeno/msg/v3/get_msg_dlg")));
    RawAnswer a = Call(me, "msg/v3/get_msg_dlg", SyncClient().Query(SyncClient::kActive));
    EXPECT_EQ(a.status, 500);
    EXPECT_FALSE(a.parsed);
    EXPECT_NE(a.body.find("<html>"), std::string::npos);
    EXPECT_NE(a.headers.find("text/html"), std::string::npos);
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1"))) << "other paths are untouched";
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/clear")));
    EXPECT_TRUE(IsOk(Call(me, "msg/v3/get_msg_dlg", SyncClient().Query(SyncClient::kActive))));
}

TEST_F(ServerFaults, SkippedRequestsPassBeforeTheFaultApplies) {
    ASSERT_TRUE(
        IsOk(RawGet(api(), "/admin/fault?kind=http500&path=/lumeno/contact/&skip=2&count=1")));
    EXPECT_TRUE(IsOk(Call(me, "msg/v3/get_msg_dlg", SyncClient().Query(SyncClient::kActive))))
        << "another path neither spoils nor uses a skip";
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1")));
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1")));
    EXPECT_EQ(Call(me, "contact/v3/d1").status, 500);
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1"))) << "used up";
}

TEST_F(ServerFaults, MalformedAndEmptyBodiesAreNotJson) {
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/fault?kind=malformed&count=1")));
    RawAnswer bad = Call(me, "contact/v3/d1");
    EXPECT_EQ(bad.status, 200);
    EXPECT_FALSE(bad.parsed);
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/fault?kind=empty&count=1")));
    RawAnswer empty = Call(me, "contact/v3/d1");
    EXPECT_EQ(empty.status, 200);
    EXPECT_TRUE(empty.body.empty());
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1")));
}

TEST_F(ServerFaults, TruncatedSyncAnswerLosesNothingForTheNextTry) {
    // Everything happens in one second, where only the service's memory of the last answer
    // tells delivered messages from new ones.
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/clock?freeze=-1")));
    SyncClient client;
    for (int page = 0; page < 5; ++page) {
        RawAnswer a = Call(me, "msg/v3/get_msg_dlg", client.Query(SyncClient::kActive));
        client.Merge(a.json);
        if (!a.json["dlg_hasmore"].asBool() && !a.json["msg_hasmore"].asBool()) break;
    }
    ASSERT_EQ(Send(SignIn("zhangwei"), 1000, "new one"), "ok");
    ASSERT_TRUE(
        IsOk(RawGet(api(), "/admin/fault?kind=truncated&path=/lumeno/msg/v3/get_msg_dlg&count=1")));
    RawAnswer cut = Call(me, "msg/v3/get_msg_dlg", client.Query(SyncClient::kActive));
    EXPECT_FALSE(cut.parsed);
    EXPECT_EQ(cut.body.rfind("{\"", 0), 0u) << "the start of a real answer";
    RawAnswer whole = Call(me, "msg/v3/get_msg_dlg", client.Query(SyncClient::kActive));
    ASSERT_TRUE(IsOk(whole));
    ASSERT_EQ(whole.json["dialogues"].size(), 1u);
    EXPECT_EQ(whole.json["dialogues"][0]["text"].asString(), "new one");
}

TEST_F(ServerFaults, FaultsCanAimAtOneUser) {
    Session zhang = SignIn("zhangwei");
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/fault?kind=http500&qxid=10002")));
    EXPECT_EQ(Call(zhang, "contact/v3/d1").status, 500);
    EXPECT_TRUE(IsOk(Call(me, "contact/v3/d1")));
    RawAnswer list = RawGet(api(), "/admin/faults");
    ASSERT_EQ(list.json["faults"].size(), 1u);
    EXPECT_EQ(list.json["faults"][0]["kind"].asString(), "http500");
    EXPECT_EQ(list.json["faults"][0]["remaining"].asInt(), -1);
}

TEST_F(ServerFaults, ControlEndpointRefusesBadFaults) {
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/admin/fault?kind=explode"), 10001));
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/admin/fault?kind=delay"), 10001));
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/admin/fault?kind=empty&count=0"), 10001));
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/admin/revoke?qxid=nobody"), 10002));
    // The control endpoint itself is never spoiled by a fault.
    ASSERT_TRUE(IsOk(RawGet(api(), "/admin/fault?kind=http500&path=/")));
    EXPECT_TRUE(IsOk(RawGet(api(), "/admin/faults")));
}

TEST_F(ServerFaults, MessagesCanBeSentAsAnyMember) {
    RawAnswer sent =
        RawGet(api(), "/admin/send?from=zhangwei&mid=1000&text=" + UrlEncode("测试消息"));
    ASSERT_TRUE(IsOk(sent));
    RawAnswer history = Call(me, "msg/v3/get_message", "mid=1000&before_id=0&count=1");
    EXPECT_EQ(history.json["dialogues"][0]["text"].asString(), "测试消息");
    EXPECT_EQ(history.json["dialogues"][0]["qxid"].asString(), "10002");
    EXPECT_TRUE(IsErrorEnvelope(RawGet(api(), "/admin/send?from=zhangwei&mid=1002&text=x"), 10003));
}

}  // namespace
}  // namespace lumeno::server::testing

// HTTPS to the local service's TLS listener: the certificate is checked for real.
#include <gtest/gtest.h>

#include "api/json_access.h"
#include "flow/async_work_flow.h"
#include "net/http_request.h"
#include "platform/ui_thread.h"
#include "tests/support/flow_window.h"
#include "tests/support/local_service.h"
#include "tests/support/temp_dir.h"

namespace {

using lumeno::test::LocalService;
using namespace std::chrono_literals;

class HttpsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        settings_.commonQuery = "version=1.0.0.1&channel=pc_beta&appid=2";
    }
    std::string InFlow(std::function<std::string()> request) {
        std::string answer;
        FlowHandle handle;
        RunFlow(&handle, [&](CAsyncWorkFlow& flow) { answer = PoolScope::Run(flow, request); });
        EXPECT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 60s));
        return answer;
    }
    // Signs in over HTTPS with the demo account; the answer's body.
    std::string SignIn(const LocalService& service, const std::string& host) {
        return InFlow([&] {
            return HttpPostFields("https://" + host + ":" + std::to_string(service.TlsPort()) +
                                      "/lumeno/user/v3/login?account=demo",
                                  {{"password", "lumeno123"}}, settings_);
        });
    }
    lumeno::test::TempDir dir_;
    lumeno::test::FlowWindow window_;
    ServerSettings settings_;
};

TEST_F(HttpsTest, TrustedAuthorityAndMatchingHostSucceed) {
    LocalService service({.seed = "demo", .tls = true, .tlsCert = "good"});
    settings_.caFile = service.CaFile();
    for (const char* host : {"127.0.0.1", "localhost"}) {
        const std::string answer = SignIn(service, host);
        Json::Value root;
        ASSERT_TRUE(ParseJson(answer, root)) << host << ": " << answer;
        EXPECT_EQ(root["result"].asString(), "ok");
        EXPECT_FALSE(root["token"].asString().empty());
    }
}

TEST_F(HttpsTest, UnknownAuthorityFailsBeforeAnythingIsSent) {
    LocalService service({.seed = "demo", .tls = true, .tlsCert = "good"});
    // No authority configured: the system's store does not know the test authority.
    EXPECT_EQ(SignIn(service, "127.0.0.1"), "");
    // A message posted over that connection never reaches the service: sign in over plain HTTP,
    // try to send over HTTPS, then look for the message over plain HTTP.
    Json::Value login;
    ASSERT_TRUE(ParseJson(InFlow([&] {
                              return HttpPostFields(
                                  service.BaseUrl() + "/lumeno/user/v3/login?account=demo",
                                  {{"password", "lumeno123"}}, settings_);
                          }),
                          login));
    const std::string auth =
        "u=" + login["user"]["qxid"].asString() + "&access_token=" + login["token"].asString();
    Json::Value sync;
    ASSERT_TRUE(ParseJson(service.Get("/lumeno/msg/v3/get_msg_dlg?" + auth), sync));
    ASSERT_TRUE(sync["messages"].isArray() && !sync["messages"].empty());
    const std::string mid = std::to_string(sync["messages"][0]["id"].asInt());
    const std::string marker = "sent-over-untrusted-tls";
    EXPECT_EQ(InFlow([&] {
                  return HttpPostFields("https://127.0.0.1:" + std::to_string(service.TlsPort()) +
                                            "/lumeno/msg/v3/add_dialogue?" + auth,
                                        {{"mid", mid}, {"text", marker}}, settings_);
              }),
              "");
    const std::string history = service.Get("/lumeno/msg/v3/get_message?mid=" + mid +
                                            "&count=50&before_id=2147483647&" + auth);
    EXPECT_NE(history.find("\"result\""), std::string::npos) << history;
    EXPECT_EQ(history.find(marker), std::string::npos);
    // The same post over plain HTTP does arrive, so the check above can see a message.
    const std::string plainAnswer = InFlow([&] {
        return HttpPostFields(service.BaseUrl() + "/lumeno/msg/v3/add_dialogue?" + auth,
                              {{"mid", mid}, {"msghash", "h1"}, {"text", marker + "-plain"}},
                              settings_);
    });
    EXPECT_NE(plainAnswer.find("\"result\":\"ok\""), std::string::npos) << plainAnswer;
    const std::string after = service.Get("/lumeno/msg/v3/get_message?mid=" + mid +
                                          "&count=50&before_id=2147483647&" + auth);
    EXPECT_NE(after.find(marker + "-plain"), std::string::npos);
}

TEST_F(HttpsTest, CertificateForAnotherHostOrOutOfDateFails) {
    for (const char* kind : {"wrong-host", "expired", "untrusted"}) {
        LocalService service({.seed = "demo", .tls = true, .tlsCert = kind});
        settings_.caFile = service.CaFile();
        EXPECT_EQ(SignIn(service, "127.0.0.1"), "") << kind;
        // The same service over plain HTTP answers: the refusal was the certificate's.
        const std::string plain = InFlow([&] {
            return HttpPostFields(service.BaseUrl() + "/lumeno/user/v3/login?account=demo",
                                  {{"password", "lumeno123"}}, settings_);
        });
        EXPECT_NE(plain.find("\"token\""), std::string::npos) << kind;
    }
}

}  // namespace

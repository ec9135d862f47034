// Finishing API URLs: separators, the common query, the test-server override, the log line.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "config/config.h"
#include "config/log.h"
#include "net/http_request.h"
#include "tests/support/temp_dir.h"

namespace {

class FinishUrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        settings_ = ServerSettings::Load();
    }
    std::string LogText() {
        std::ifstream in(LogFilePath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    lumeno::test::TempDir dir_;
    ServerSettings settings_;
};

TEST_F(FinishUrlTest, SeparatorAndCommonQuery) {
    const std::string common =
        std::string("version=") + LUMENO_VERSION + "&channel=pc_beta&appid=2";
    EXPECT_EQ(settings_.commonQuery, common);
    const std::string base = std::string("https://") + kBuiltInApiHost + "/lumeno/msg/v3/x";
    EXPECT_EQ(FinishApiUrl(base, settings_), base + "?" + common);
    EXPECT_EQ(FinishApiUrl(base + "?a=1", settings_), base + "?a=1&" + common);
    EXPECT_EQ(FinishApiUrl(base + "?a=1&", settings_), base + "?a=1&" + common);
    EXPECT_EQ(FinishApiUrl(base + "?", settings_), base + "?" + common);
}

TEST_F(FinishUrlTest, OverrideRewritesOnlySchemeAndHost) {
    WriteConfigString("main", "online", "0");
    WriteConfigString("main", "msg", "127.0.0.1:18080");
    WriteConfigString("main", "long", "127.0.0.1:18081");
    ServerSettings settings = ServerSettings::Load();
    EXPECT_EQ(settings.apiHostOverride, "127.0.0.1:18080");
    EXPECT_EQ(settings.pushHost, "127.0.0.1");
    EXPECT_EQ(settings.pushPort, 18081);
    const std::string url = std::string("https://") + kBuiltInApiHost +
                            "/lumeno/msg/v3/set_msg_name?name=https%3A%2F%2F" + kBuiltInApiHost;
    const std::string finished = FinishApiUrl(url, settings);
    EXPECT_EQ(
        finished.rfind("http://127.0.0.1:18080/lumeno/msg/v3/set_msg_name?name=https%3A%2F%2F" +
                           std::string(kBuiltInApiHost) + "&version=",
                       0),
        0u)
        << finished;
}

TEST_F(FinishUrlTest, OverrideNeedsOnlineZeroAndAHost) {
    WriteConfigString("main", "msg", "127.0.0.1:18080");
    EXPECT_EQ(ServerSettings::Load().apiHostOverride, "") << "online is 1 by default";
    WriteConfigString("main", "online", "0");
    WriteConfigString("main", "msg", "");
    WriteConfigString("main", "long", ":99");
    ServerSettings settings = ServerSettings::Load();
    const std::string url = std::string("https://") + kBuiltInApiHost + "/p";
    EXPECT_EQ(FinishApiUrl(url, settings).substr(0, url.size()), url) << "msg empty: unchanged";
    EXPECT_EQ(settings.pushHost, kBuiltInPushHost) << "a colon first is not a host:port";
    EXPECT_EQ(settings.pushPort, kBuiltInPushPort);
}

TEST_F(FinishUrlTest, APushAddressWithoutAUsablePortLeavesTheBuiltInServer) {
    WriteConfigString("main", "online", "0");
    // The first was found by fuzzing: an edited address whose port read as 0.
    for (const char* address : {"1270..1041:.27.0.0.1:41234", "h:0", "h:65536", "h:-5",
                                "h:99999999999999999999", "h:41235x", "h:"}) {
        WriteConfigString("main", "long", address);
        const ServerSettings settings = ServerSettings::Load();
        EXPECT_EQ(settings.pushHost, kBuiltInPushHost) << address;
        EXPECT_EQ(settings.pushPort, kBuiltInPushPort) << address;
    }
    WriteConfigString("main", "long", "push.test:65535");
    EXPECT_EQ(ServerSettings::Load().pushPort, 65535);
}

TEST_F(FinishUrlTest, LogsTheFinalUrlWithSecretsHidden) {
    FinishApiUrl("https://h/lumeno/user/v3/login?account=13800000000&u=q1&access_token=s3cr3t%25",
                 settings_);
    const std::string log = LogText();
    EXPECT_NE(log.find("https://h/lumeno/user/v3/login?account=***&u=q1&access_token=***&version="),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("s3cr3t"), std::string::npos);
    EXPECT_EQ(log.find("13800000000"), std::string::npos);
}

}  // namespace

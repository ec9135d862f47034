// Signing in and out against the local service: events, the account database, remembered
// accounts, refusals and the presence report.
#include "api/sign_in.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "api/api_controller.h"
#include "api/login.h"
#include "config/config.h"
#include "config/log.h"
#include "platform/directories.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "storage/saved_accounts.h"
#include "storage/sqlite_component.h"
#include "storage/sqlite_helper.h"
#include "storage/user_store.h"
#include "tests/support/client_window.h"
#include "tests/support/local_service.h"
#include "tests/support/temp_dir.h"
#include "util/small_components.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using lumeno::test::EventRecorder;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SignInTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::UseTempDataHome(dir_);
        RegisterComponentTable(kUtilComponentTable);
        RegisterComponentTable(kStorageComponentTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
        service_.PointClientHere();
        window_ = std::make_unique<lumeno::test::ClientWindow>();
        CApiController::Instance().Saved().LoadSaved();
    }
    void TearDown() override {
        SignOut();
        window_.reset();
    }
    // Waits for the sign-in job to end and its events to be delivered.
    bool WaitSignIn(EventRecorder& events) {
        return platform::PumpMessagesUntil(
            [&] {
                return !CApiController::Instance().signIn.Busy() &&
                       (events.Saw(db_event::kSignIn, db_event::kDone) ||
                        events.Saw(db_event::kSignIn, db_event::kFailed));
            },
            30s);
    }

    lumeno::test::TempDir dir_;
    lumeno::test::LocalService service_;
    std::unique_ptr<lumeno::test::ClientWindow> window_;
};

TEST_F(SignInTest, DemoAccountSignsInAndGetsAnEncryptedDatabase) {
    EventRecorder events(db_event::kSignIn | db_event::kConversationSync | db_event::kContacts);
    SignIn("demo", "lumeno123", false, false);
    SignIn("demo", "ignored while the first runs", false, false);
    ASSERT_TRUE(WaitSignIn(events));
    // The account's file is opened on a worker: the events after it come a turn later.
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return events.events.size() >= 5; }, 30s));
    EXPECT_EQ(events.events[0].second, db_event::kStarted);
    EXPECT_EQ(events.events[1].kind, db_event::kSignIn);
    EXPECT_EQ(events.events[1].second, db_event::kDone);
    EXPECT_EQ(events.events[2].kind, db_event::kConversationSync);
    EXPECT_EQ(events.events[3].kind, db_event::kContacts);
    EXPECT_EQ(events.events[4].kind, db_event::kContacts) << "the contact list refresh starts";
    EXPECT_EQ(events.events[4].second, db_event::kStarted);

    const LoginRecord& me = CDBLogin::Instance().Record();
    EXPECT_FALSE(me.token.empty());
    EXPECT_EQ(me.realname, "林晓");
    const std::string account = MyUserId();
    ASSERT_FALSE(account.empty());
    const std::string file =
        platform::JoinPath(platform::DataDirectory(), account + "/" + account + ".db");
    ASSERT_TRUE(fs::exists(file));
    EXPECT_TRUE(CSQLiteHelper::Instance().IsOpen());
    EXPECT_EQ(ReadConfig(config_keys::kAutoLogin), 0);

    // What the account writes is there again at the next sign-in, and only with the key.
    UserRecord zhang;
    zhang.qxid = "q-zhang";
    zhang.name = "张三";
    CDBUser::Instance().Users()["q-zhang"] = zhang;
    CDBMsgDlg::Instance().ConversationFor(4242).name = "周会";
    FlowHandle save;
    RunFlow(&save, [](CAsyncWorkFlow& flow) {
        CSQLiteHelper::Instance().SaveUsers(CDBUser::Instance().Users(), flow);
        CSQLiteHelper::Instance().SaveConversations(CDBMsgDlg::Instance(), {4242}, flow);
    });
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !save.Busy(); }, 30s));
    SignOut();
    EXPECT_TRUE(CDBUser::Instance().Users().empty());
    EXPECT_FALSE(CSQLiteHelper::Instance().IsOpen());
    EXPECT_EQ(ReadFile(file).find("周会"), std::string::npos) << "the file is encrypted";
    EXPECT_EQ(ReadFile(file).find("SQLite format 3"), std::string::npos);

    events.events.clear();
    SignIn("demo", "lumeno123", false, false);
    ASSERT_TRUE(WaitSignIn(events));
    ASSERT_NE(CDBUser::Instance().Find("q-zhang"), nullptr);
    EXPECT_EQ(CDBUser::Instance().Find("q-zhang")->name, "张三");
    ASSERT_NE(CDBMsgDlg::Instance().FindConversation(4242), nullptr);
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(4242)->name, "周会");
}

TEST_F(SignInTest, WrongPasswordLeavesTheServersErrorAndWritesAutoLoginOff) {
    WriteConfigFlag("normal", "antoLogin", true);
    EventRecorder events(db_event::kSignIn);
    SignIn("demo", "wrong password", true, false);
    ASSERT_TRUE(WaitSignIn(events));
    EXPECT_TRUE(events.Saw(db_event::kSignIn, db_event::kFailed));
    const ErrorRecord* error = CApiController::Instance().LastErrorOf(db_event::kSignIn);
    ASSERT_NE(error, nullptr);
    EXPECT_GT(error->error_code, 0);
    EXPECT_FALSE(error->error_msg.empty());
    EXPECT_EQ(ReadConfig(config_keys::kAutoLogin), 0) << "written after a failed attempt too";
    EXPECT_EQ(CApiController::Instance().Saved().FirstSaved().mobile, "demo");
    EXPECT_EQ(CApiController::Instance().Saved().FirstSaved().password, "");
    EXPECT_FALSE(CSQLiteHelper::Instance().IsOpen());
}

TEST_F(SignInTest, ServiceDownGivesAFailureWithoutAnErrorCode) {
    // Nothing listens there. The servers of a run are read at its first request, which comes
    // after this.
    WriteConfigString("main", "msg", "127.0.0.1:1");
    EventRecorder events(db_event::kSignIn);
    SignIn("demo", "lumeno123", false, false);
    ASSERT_TRUE(WaitSignIn(events));
    EXPECT_TRUE(events.Saw(db_event::kSignIn, db_event::kFailed));
    const ErrorRecord* error = CApiController::Instance().LastErrorOf(db_event::kSignIn);
    EXPECT_TRUE(error == nullptr || error->error_code == 0);
}

TEST_F(SignInTest, RememberedTokenSignsInUntilItIsRevoked) {
    EventRecorder events(db_event::kSignIn);
    SignIn("demo", "lumeno123", true, true);
    ASSERT_TRUE(WaitSignIn(events));
    ASSERT_TRUE(events.Saw(db_event::kSignIn, db_event::kDone));
    const std::string qxid = CDBLogin::Instance().Record().qxid;
    EXPECT_EQ(ReadConfig(config_keys::kAutoLogin), 1);
    LoginRecord remembered = CApiController::Instance().Saved().FirstSaved();
    EXPECT_EQ(remembered.password, "lumeno123");
    EXPECT_EQ(remembered.auto_sign_in, 1);
    SignOut();

    events.events.clear();
    ASSERT_TRUE(SignInRemembered());
    ASSERT_TRUE(WaitSignIn(events));
    EXPECT_TRUE(events.Saw(db_event::kSignIn, db_event::kDone));
    EXPECT_EQ(CDBLogin::Instance().Record().qxid, qxid);
    SignOut();

    // A service that fails or cannot be reached says nothing about the secrets: they stay. So
    // does a refusal for a fault of the service's own (code 50000 and up).
    for (const char* fault : {"http500", "malformed", "truncated", "empty", "busy"}) {
        service_.Get(std::string("/admin/fault?kind=") + fault + "&path=/lumeno/user&count=1");
        events.events.clear();
        ASSERT_TRUE(SignInRemembered()) << fault;
        ASSERT_TRUE(WaitSignIn(events));
        EXPECT_TRUE(events.Saw(db_event::kSignIn, db_event::kFailed)) << fault;
        EXPECT_EQ(CApiController::Instance().Saved().FirstSaved().token, remembered.token) << fault;
        SignOut();
    }

    service_.Get("/admin/revoke?qxid=" + qxid + "&code=20002");
    events.events.clear();
    ASSERT_TRUE(SignInRemembered());
    ASSERT_TRUE(WaitSignIn(events));
    EXPECT_TRUE(events.Saw(db_event::kSignIn, db_event::kFailed));
    remembered = CApiController::Instance().Saved().FirstSaved();
    EXPECT_EQ(remembered.mobile, "demo");
    EXPECT_EQ(remembered.token, "");
    EXPECT_EQ(remembered.password, "");
    EXPECT_FALSE(SignInRemembered()) << "nothing left to sign in with";
}

TEST_F(SignInTest, RememberedSecretsSurviveAServiceThatIsDown) {
    LoginRecord signedIn;
    signedIn.qxid = "q-demo";
    signedIn.token = "still-good";
    signedIn.password = "lumeno123";
    CApiController::Instance().Saved().UpdateAfterSignIn(true, "demo", true, true, signedIn);
    WriteConfigString("main", "msg", "127.0.0.1:1");  // read at the run's first request
    EventRecorder events(db_event::kSignIn);
    ASSERT_TRUE(SignInRemembered());
    ASSERT_TRUE(WaitSignIn(events));
    EXPECT_TRUE(events.Saw(db_event::kSignIn, db_event::kFailed));
    SavedAccounts reloaded;
    reloaded.LoadSaved();
    EXPECT_EQ(reloaded.FirstSaved().password, "lumeno123") << "kept while the service is down";
    EXPECT_EQ(reloaded.FirstSaved().token, "still-good");
    EXPECT_TRUE(SignInRemembered()) << "the next start tries again";
    ASSERT_TRUE(WaitSignIn(events));
}

// Signing in with the password while the service fails or cannot be reached (the login page
// after the push connection gave up, Enter while still offline) keeps what was remembered: only a
// refusal of the credentials themselves drops it.
TEST_F(SignInTest, APasswordSignInThatTheServiceDidNotRefuseKeepsTheRememberedSecrets) {
    EventRecorder events(db_event::kSignIn);
    SignIn("demo", "lumeno123", true, true);
    ASSERT_TRUE(WaitSignIn(events));
    ASSERT_TRUE(events.Saw(db_event::kSignIn, db_event::kDone));
    const LoginRecord remembered = CApiController::Instance().Saved().FirstSaved();
    ASSERT_FALSE(remembered.token.empty());
    SignOut();

    const auto keeps = [&](const std::string& why) {
        SavedAccounts reloaded;
        reloaded.LoadSaved();
        const LoginRecord kept = reloaded.FirstSaved();
        EXPECT_EQ(kept.mobile, "demo") << why;
        EXPECT_EQ(kept.password, "lumeno123") << why;
        EXPECT_EQ(kept.token, remembered.token) << why;
        EXPECT_TRUE(kept.remember_password) << why;
        EXPECT_TRUE(kept.auto_sign_in) << why;
    };
    for (const char* fault : {"http500", "malformed", "truncated", "empty", "busy"}) {
        service_.Get(std::string("/admin/fault?kind=") + fault + "&path=/lumeno/user&count=1");
        events.events.clear();
        SignIn("demo", "lumeno123", true, true);
        ASSERT_TRUE(WaitSignIn(events));
        EXPECT_TRUE(events.Saw(db_event::kSignIn, db_event::kFailed)) << fault;
        keeps(fault);
        SignOut();
    }
    // Offline: nothing listens where the service was.
    service_.Stop();
    events.events.clear();
    SignIn("demo", "lumeno123", true, true);
    ASSERT_TRUE(WaitSignIn(events));
    EXPECT_TRUE(events.Saw(db_event::kSignIn, db_event::kFailed));
    keeps("offline");
}

// At most twenty accounts are remembered, in what is written as much as in what is read back.
TEST_F(SignInTest, TheTwentyFirstAccountPushesTheOldestOutOfWhatIsWritten) {
    for (int i = 1; i <= 21; ++i) {
        EventRecorder events(db_event::kSignIn);
        SignIn("nobody" + std::to_string(i), "wrong", false, false);
        ASSERT_TRUE(WaitSignIn(events));
    }
    const std::string written = SavedAccounts::Unprotect(
        ReadConfigWhole(config_keys::kSavedAccounts.section, config_keys::kSavedAccounts.key));
    EXPECT_EQ(std::count(written.begin(), written.end(), ';'), 20) << written;
    EXPECT_EQ(written.find("nobody1,"), std::string::npos) << "the oldest is gone";
    EXPECT_EQ(written.rfind("nobody21,", 0), 0u) << "the newest is first";
}

TEST_F(SignInTest, SignOutForgetsTheAccount) {
    EventRecorder events(db_event::kSignIn);
    SignIn("demo", "lumeno123", false, false);
    ASSERT_TRUE(WaitSignIn(events));
    SignOut();
    EXPECT_EQ(CDBLogin::Instance().Record().anon_avatar, "100");
    EXPECT_EQ(AuthQuery(), "u=&access_token=");
    EXPECT_TRUE(CDBMsgDlg::Instance().Conversations().empty());
}

TEST_F(SignInTest, HeartbeatReportsAtOnceAndARevokedTokenReachesTheMainWindow) {
    EventRecorder events(db_event::kSignIn);
    SignIn("demo", "lumeno123", false, false);
    ASSERT_TRUE(WaitSignIn(events));
    const std::string qxid = CDBLogin::Instance().Record().qxid;
    service_.Get("/admin/revoke?qxid=" + qxid + "&code=20001");
    StartPresenceHeartbeat();
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !window_->apiErrors.empty(); }, 30s));
    EXPECT_EQ(window_->apiErrors[0].error_code, 20001);
    EXPECT_NE(ReadFile(LogFilePath()).find("/lumeno/msg/v3/pc_status?on=1&u="), std::string::npos)
        << "the first tick always counts as active";
    EXPECT_TRUE(CApiController::Instance().presenceHeartbeat.Busy()) << "it runs until sign-out";
    SignOut();
    EXPECT_FALSE(CApiController::Instance().presenceHeartbeat.Busy());
}

}  // namespace

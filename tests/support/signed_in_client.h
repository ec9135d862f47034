#pragma once
// A client signed in to the local service for one test: components, data directory, the main
// window stand-in, and the sign-in itself.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "api/sign_in.h"
#include "platform/ui_thread.h"
#include "storage/sqlite_component.h"
#include "tests/support/client_window.h"
#include "tests/support/local_service.h"
#include "tests/support/temp_dir.h"
#include "util/small_components.h"

namespace lumeno::test {

class SignedInClientTest : public ::testing::Test {
  protected:
    explicit SignedInClientTest(LocalService::Options options = {})
        : service_(std::move(options)) {}

    void SetUp() override {
        UseTempDataHome(dir_);
        RegisterComponentTable(kUtilComponentTable);
        RegisterComponentTable(kStorageComponentTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
        service_.PointClientHere();
        window_ = std::make_unique<ClientWindow>();
    }
    void TearDown() override {
        SignOut();
        window_.reset();
    }

    // Signs in and waits for the sign-in's own end (the first synchronisation may still run).
    void SignInOnly(const std::string& account) {
        EventRecorder events(db_event::kSignIn);
        SignIn(account, "lumeno123", false, false);
        // The sign-in's flow goes on after its event: it opens and loads the account's database.
        ASSERT_TRUE(PumpUntil([&] {
            return !CApiController::Instance().signIn.Busy() &&
                   (events.Saw(db_event::kSignIn, db_event::kDone) ||
                    events.Saw(db_event::kSignIn, db_event::kFailed));
        }));
        ASSERT_TRUE(events.Saw(db_event::kSignIn, db_event::kDone)) << account;
    }

    // Signs in and waits until the first synchronisation has ended.
    void SignInAndSync(const std::string& account) {
        EventRecorder events(db_event::kSignIn | db_event::kConversationSync);
        SignIn(account, "lumeno123", false, false);
        ASSERT_TRUE(PumpUntil([&] {
            return events.Saw(db_event::kSignIn, db_event::kFailed) ||
                   (events.Count(db_event::kConversationSync, db_event::kDone) >= 2 &&
                    !CApiController::Instance().conversationSync.Busy());
        }));
        ASSERT_TRUE(events.Saw(db_event::kSignIn, db_event::kDone)) << account;
    }

    template <typename Done>
    static bool PumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        return platform::PumpMessagesUntil(done, limit);
    }

    TempDir dir_;
    LocalService service_;
    std::unique_ptr<ClientWindow> window_;
};

}  // namespace lumeno::test

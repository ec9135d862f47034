#include "api/sign_in.h"

#include "api/api_controller.h"
#include "api/contacts.h"
#include "api/conversation_sync.h"
#include "api/login.h"
#include "config/config.h"
#include "config/log.h"
#include "flow/flow_timer.h"
#include "net/http_request.h"
#include "net/url_encode.h"
#include "platform/directories.h"
#include "platform/secret_store.h"
#include "platform/user_idle.h"
#include "platform/window.h"
#include "storage/msg_dlg_store.h"
#include "storage/specials_store.h"
#include "storage/sqlite_helper.h"
#include "storage/user_store.h"
#include "util/user_messages.h"

namespace {

// After a successful sign-in, still inside its flow: the account's database is loaded into the
// stores so that the lists appear at once.
void AfterSignIn(CAsyncWorkFlow& flow) {
    CSQLiteHelper& database = CSQLiteHelper::Instance();
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    if (database.OpenAccount(MyUserId(), flow)) {
        database.LoadUsers(CDBUser::Instance().Users());
        database.LoadConversations(store);
        database.LoadSetting(0, store.MaxDialogTime().stamp, store.MaxDialogTime().text);
        database.LoadSetting(1, store.Summary().nowstamp, store.Summary().now);
        // Rebuilds the marks, the group map and the order from what was loaded.
        std::vector<std::int32_t> noMessages;
        UpdateIndex(store.Loaded(), noMessages);
    }
    CApiController& controller = CApiController::Instance();
    controller.PostEvent(db_event::kConversationSync, 0, db_event::kDone);
    controller.PostEvent(db_event::kContacts, 0, db_event::kDone);
    RefreshContactList();
    StartConversationSync(SyncKind::kActiveQuery);
}

// Keeps the secrets of a remembered account in the secret store (on the worker pool) and notes
// whether it did, so that Config.ini is written without them; an account no longer remembered
// leaves the store.
void KeepSecrets(CAsyncWorkFlow& flow, const std::string& account, bool keep,
                 const platform::AccountSecrets& secrets) {
    SavedAccounts& saved = CApiController::Instance().Saved();
    const std::string& folder = platform::DataDirectory();
    if (keep) {
        const platform::SecretOutcome outcome = PoolScope::Run(
            flow, [&] { return platform::StoreAccountSecrets(folder, account, secrets); });
        if (outcome != platform::SecretOutcome::Done)
            WriteLogText("the secret store did not take the account's secrets");
        saved.SetKeptInStore(account, outcome == platform::SecretOutcome::Done);
    } else if (saved.KeptInStore(account)) {
        PoolScope::Run(flow, [&] { platform::ForgetAccountSecrets(folder, account); });
        saved.SetKeptInStore(account, false);
    }
}

// Puts the account first in the remembered list; an entry that falls off the end of the list
// takes its secrets out of the secret store with it.
void UpdateSavedAccounts(CAsyncWorkFlow& flow, bool success, const std::string& account,
                         bool remember, bool automatic, const LoginRecord& signedIn) {
    SavedAccounts& saved = CApiController::Instance().Saved();
    const std::vector<std::string> dropped =
        saved.UpdateAfterSignIn(success, account, remember, automatic, signedIn);
    std::vector<std::string> stored;
    for (const std::string& gone : dropped) {
        if (!saved.KeptInStore(gone)) continue;
        stored.push_back(gone);
        saved.SetKeptInStore(gone, false);
    }
    if (stored.empty()) return;
    const std::string& folder = platform::DataDirectory();
    PoolScope::Run(flow, [&] {
        for (const std::string& gone : stored)
            platform::ForgetAccountSecrets(folder, gone);
    });
}

}  // namespace

void LoadRememberedSecrets(std::function<void()> done) {
    CApiController& controller = CApiController::Instance();
    std::vector<std::string> accounts = controller.Saved().AccountsAwaitingSecrets();
    if (accounts.empty()) {
        done();
        return;
    }
    controller.StartJob(controller.rememberedSecrets, [accounts, done](CAsyncWorkFlow& flow) {
        const std::string& folder = platform::DataDirectory();
        using Found = std::vector<std::pair<std::string, platform::AccountSecrets>>;
        const Found found = PoolScope::Run(flow, [&] {
            Found read;
            for (const std::string& account : accounts) {
                platform::AccountSecrets secrets;
                const auto outcome = platform::LookUpAccountSecrets(folder, account, secrets);
                if (outcome == platform::SecretOutcome::Unavailable) break;
                if (outcome == platform::SecretOutcome::Done) read.emplace_back(account, secrets);
            }
            return read;
        });
        if (found.size() < accounts.size())
            WriteLogText("the secret store did not give every remembered account's secrets");
        for (const auto& [account, secrets] : found)
            CApiController::Instance().Saved().SetSecrets(account, secrets.password, secrets.token);
        done();
    });
}

std::string ApiUrl(const std::string& area, const std::string& operation) {
    return std::string("https://") + kBuiltInApiHost + "/lumeno/" + area + "/v3/" + operation;
}

void SignIn(const std::string& account, const std::string& password, bool remember,
            bool automatic) {
    CApiController& controller = CApiController::Instance();
    controller.StartJob(controller.signIn, [=](CAsyncWorkFlow& flow) {
        CApiController& api = CApiController::Instance();
        const std::string url = ApiUrl("user", "login") + "?account=" + UrlEncode(account);
        const std::map<std::string, std::string> form{{"password", password}};
        api.PostEvent(db_event::kSignIn, 0, db_event::kStarted);
        const std::string answer = PoolScope::Run(flow, [&] { return HttpPostFields(url, form); });

        LoginRecord& record = CDBLogin::Instance().Record();
        const bool success = DecodeSignInAnswer(answer, record);
        ErrorRecord error;
        if (!CheckEnvelope(answer, &error)) api.StoreLastError(db_event::kSignIn, error);
        api.PostEvent(db_event::kSignIn, 0, success ? db_event::kDone : db_event::kFailed);
        if (success && (remember || automatic)) record.password = password;
        // Only the service's own word makes remembered secrets worthless: an unreachable or
        // confused service says nothing about them, and they stay for the next attempt.
        if (success || IsCredentialRefusal(error.error_code)) {
            KeepSecrets(flow, account, success && (remember || automatic) && !record.token.empty(),
                        {password, record.token});
            UpdateSavedAccounts(flow, success, account, success && remember, success && automatic,
                                record);
        }
        WriteConfigFlag(config_keys::kAutoLogin.section, config_keys::kAutoLogin.key, automatic);
        if (success) AfterSignIn(flow);
    });
}

bool SignInRemembered() {
    CApiController& controller = CApiController::Instance();
    const LoginRecord remembered = controller.Saved().FirstSaved();
    // An entry whose secrets the secret store keeps has none until they were read.
    if (remembered.mobile.empty() || remembered.password.empty()) return false;
    controller.StartJob(controller.signIn, [remembered](CAsyncWorkFlow& flow) {
        CApiController& api = CApiController::Instance();
        const std::string url = ApiUrl("user", "login") + "?" + AuthQuery(remembered);
        api.PostEvent(db_event::kSignIn, 0, db_event::kStarted);
        const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
        LoginRecord& record = CDBLogin::Instance().Record();
        const bool success = DecodeSignInAnswer(answer, record);
        ErrorRecord error;
        if (!success && !CheckEnvelope(answer, &error))
            api.StoreLastError(db_event::kSignIn, error);
        api.PostEvent(db_event::kSignIn, 0, success ? db_event::kDone : db_event::kFailed);
        if (success) {
            // The remembered secrets stay with the signed-in account for the next sign-in.
            record.password = remembered.password;
            AfterSignIn(flow);
            // Secrets remembered in Config.ini move into the secret store when one runs.
            if (!api.Saved().KeptInStore(remembered.mobile)) {
                KeepSecrets(flow, remembered.mobile, true, {remembered.password, remembered.token});
                if (api.Saved().KeptInStore(remembered.mobile)) api.Saved().SaveSaved();
            }
        } else if (IsCredentialRefusal(error.error_code)) {
            // Only the service's own word makes the secrets worthless; an unreachable or confused
            // service says nothing about them, and the next start tries again.
            KeepSecrets(flow, remembered.mobile, false, {});
            UpdateSavedAccounts(flow, false, remembered.mobile, false, false, record);
        }
    });
    return true;
}

void ReportPresenceOff() {
    CApiController& controller = CApiController::Instance();
    const std::string url = ApiUrl("msg", "pc_status") + "?on=0&" + AuthQuery();
    controller.StartJob(controller.presenceOff, [url](CAsyncWorkFlow& flow) {
        const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
        CheckEnvelope(answer, nullptr);
    });
}

void StartPresenceHeartbeat() {
    CApiController& controller = CApiController::Instance();
    controller.StartJob(controller.presenceHeartbeat, [](CAsyncWorkFlow& flow) {
        const int ticksBetweenReports = ReadConfig(config_keys::kPresenceTicks);
        TimerGuard tick(flow, 10000);
        int n = ticksBetweenReports;
        std::uint64_t previousInput = 0;
        int previousActive = 0;
        for (;;) {
            const std::uint64_t input = platform::LastInputTime();
            const int active = input != previousInput ? 1 : 0;
            previousInput = input;
            bool report = n < 1;
            if (!report) {
                --n;
                report = previousActive == 0 && active == 1;
            }
            if (report) {
                const std::string url = ApiUrl("msg", "pc_status") +
                                        "?on=" + std::to_string(active) + "&" + AuthQuery();
                const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
                ErrorRecord error;
                CheckEnvelope(answer, &error);
                CApiController::Instance().ReportLostSignIn(error);
                n = ticksBetweenReports;
            }
            previousActive = active;
            tick.WaitTick();
        }
    });
}

void SignOut() {
    CApiController& controller = CApiController::Instance();
    for (FlowHandle* handle :
         {&controller.unknownUserFetch, &controller.contactRefresh, &controller.conversationSync,
          &controller.signIn, &controller.longConnection, &controller.presenceHeartbeat,
          &controller.pendingItems, &controller.pendingItemFromProfile}) {
        CAsyncWorkFlow::CancelFlow(handle);
    }
    controller.ForgetSignedInAccount();
    controller.PendingSends().clear();
    CDBLogin::Instance().Record().Clear();
    CDBMsgDlg::Instance().Clear();
    CDBUser::Instance().Clear();
    CDBSpecials::Instance().Clear();
    CSQLiteHelper::Instance().CloseAccount();
}

void ShutDownAccount() {
    CApiController::Instance().CancelAllJobs();
    CApiController::Instance().ForgetSignedInAccount();  // the sends too
    CSQLiteHelper::Instance().CloseForExit(std::chrono::seconds(5));
}

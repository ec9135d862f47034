// Signing in to a large account (the service's bulk data: 1,000 conversations of 50 messages and
// 10,000 contacts): from the sign-in to the first drawn conversation list of the real client,
// against the sign-in, synchronisation and store alone (no windows) of the same account in the
// same run; then the resident memory (PSS) of the signed-in client with both pages built.
#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "api/api_controller.h"
#include "api/sign_in.h"
#include "app/component_tables.h"
#include "flow/async_work_flow.h"
#include "platform/message_loop.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "tests/support/client_window.h"
#include "tests/support/local_service.h"
#include "tests/support/temp_dir.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/contacts/page_contact.h"
#include "ui/conversations/page_message.h"
#include "ui/main/main_wnd.h"
#include "util/component_registry.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace t = lumeno::test;

constexpr int kRounds = 5;  // after a warm-up round, which is not counted
constexpr std::size_t kConversations = 1000;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Proportional set size of this process, in MiB.
double PssMiB() {
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string key;
    long kb = 0;
    while (rollup >> key) {
        if (key == "Pss:") {
            rollup >> kb;
            break;
        }
        rollup.ignore(4096, '\n');
    }
    return static_cast<double>(kb) / 1024.0;
}

bool SyncDone(const t::EventRecorder& events) {
    return events.Count(db_event::kConversationSync, db_event::kDone) >= 2 &&
           !CApiController::Instance().conversationSync.Busy() &&
           CDBMsgDlg::Instance().Order().size() >= kConversations;
}

void EndAccount() {
    SignOut();
    platform::PumpMessagesUntil(
        [] { return CAsyncWorkFlow::FreeFiberCount() == CAsyncWorkFlow::FiberCount(); }, 60s);
}

// The sign-in and the first synchronisation into the stores, with a stand-in window.
double BareRound(const t::LocalService& service) {
    t::TempDir dir;
    t::UseTempDataHome(dir);
    service.PointClientHere();
    auto window = std::make_unique<t::ClientWindow>();
    t::EventRecorder events(db_event::kSignIn | db_event::kConversationSync);
    const Clock::time_point start = Clock::now();
    SignIn("bench", "lumeno123", false, false);
    if (!platform::PumpMessagesUntil([&] { return SyncDone(events); }, 300s)) return -1;
    const double ms = Ms(Clock::now() - start);
    EndAccount();
    window.reset();
    return ms;
}

// The same through the real client, until its conversation list has drawn the account's rows.
double ClientRound(const t::LocalService& service, bool measureMemory, double& pssBefore,
                   double& pssAfter) {
    t::TempDir dir;
    t::UseTempDataHome(dir);
    service.PointClientHere();
    CMainWnd& main = CMainWnd::Instance();
    if (!main.Create(0, 0, 300, 666)) return -1;
    pssBefore = PssMiB();
    t::EventRecorder events(db_event::kSignIn | db_event::kConversationSync);
    const Clock::time_point start = Clock::now();
    SignIn("bench", "lumeno123", false, false);
    const bool drawn = platform::PumpMessagesUntil(
        [&] {
            CPageMessage* page = main.MessagePage();
            return SyncDone(events) && main.SignedIn() && page &&
                   static_cast<std::size_t>(page->RowCount()) >= kConversations;
        },
        300s);
    if (!drawn) return -1;
    main.MessagePage()->List().Widget()->repaint();
    const double ms = Ms(Clock::now() - start);
    if (measureMemory) {
        // Both pages built, the contacts in: the client as a person leaves it running.
        platform::PumpMessagesUntil(
            [] { return !CApiController::Instance().contactRefresh.Busy(); }, 300s);
        main.SwitchPage(MainPage::Contacts);
        main.SwitchPage(MainPage::Messages);
        QApplication::processEvents();
        pssAfter = PssMiB();
    }
    EndAccount();
    main.DestroyWindow();
    CMainWnd::DestroyInstance();
    QApplication::processEvents();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::CMessageLoop loop;
    platform::AddMessageLoop(&loop);
    lumeno::test::PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));

    // Every measurement meets a service in its first state (the service remembers what a
    // device has had), at the same addresses, since the client reads them once per process.
    std::unique_ptr<t::LocalService> service;
    int apiPort = 0, pushPort = 0;
    auto fresh = [&]() -> const t::LocalService& {
        t::LocalService::Options options;
        options.seed = "bulk";
        if (apiPort) {
            options.extra = {"--port", std::to_string(apiPort), "--push-port",
                             std::to_string(pushPort)};
        }
        service.reset();
        service = std::make_unique<t::LocalService>(options);
        apiPort = service->ApiPort();
        pushPort = service->PushPort();
        return *service;
    };
    std::vector<double> bare, client;
    double pssBefore = 0, pssAfter = 0;
    for (int round = 0; round <= kRounds; ++round) {
        // Each round starts from a new data folder, as a first sign-in on a machine does. The
        // warm-up round (0) runs the client first, so that its memory is that of a fresh
        // process; the others alternate.
        double b = 0, c = 0, before = 0, after = 0;
        if (round % 2 == 0) {
            c = ClientRound(fresh(), round == 0, before, after);
            b = BareRound(fresh());
        } else {
            b = BareRound(fresh());
            c = ClientRound(fresh(), false, before, after);
        }
        if (b < 0 || c < 0) {
            std::fprintf(stderr, "round %d did not finish\n", round);
            return 1;
        }
        if (round == 0) {
            pssBefore = before, pssAfter = after;
            continue;
        }
        bare.push_back(b);
        client.push_back(c);
    }
    std::printf(
        "sign-in of the bulk account (1,000 conversations, 10,000 contacts), median of %d "
        "rounds after a warm-up\n",
        kRounds);
    std::printf("  sign-in, sync and store alone       %8.1f ms   1.00x\n", Median(bare));
    std::printf("  to the first drawn conversation list %7.1f ms   %.2fx\n", Median(client),
                Median(client) / Median(bare));
    std::printf(
        "  resident memory (PSS): %.1f MiB at the login page, %.1f MiB signed in with both "
        "pages\n",
        pssBefore, pssAfter);
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    platform::RemoveMessageLoop();
    return 0;
}

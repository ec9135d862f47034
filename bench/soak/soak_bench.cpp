// The client kept open for a long time, signed in to the local service, while two other accounts
// each write into two conversations (a one-to-one and a group) so that a message goes out every
// 50 ms; meanwhile chat windows open and close in turn. Prints the resident memory every minute,
// then the delivery time (send through the service until the client holds the message in its
// store) and the messages the client got against the messages sent. Exits non-zero when they
// differ or the run could not be made.
//
//   bench_soak [--minutes N] [--no-windows] [--no-messages]
//
// N defaults to 10 (fractions allowed, e.g. 0.2 for a quick look). --no-windows leaves the chat
// windows shut and --no-messages the feed silent, to tell where memory goes.

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "api/api_controller.h"
#include "bench/chat/chat_client.h"
#include "bench/soak/feed.h"
#include "bench/support/rounds.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/build_tree.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kPeriod = 50ms;
constexpr auto kWindowOpen = 2s;  // how long each chat window stays open
constexpr auto kWindowGap = 1s;   // between closing one and opening the next

// Resident memory of this process in KiB, from the kernel's status file; 0 when unreadable.
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

std::int32_t GroupNamed(const std::string& name) {
    for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
        if (conversation->type == kGroupConversationType && conversation->deleted == 0 &&
            conversation->name == name)
            return id;
    }
    return 0;
}

// Counts each fed message once when the client's bus tells it is in the store, with its delivery
// time.
class Receiver final : public IDBEventListener {
  public:
    explicit Receiver(const bench::Feed& feed) : feed_(feed) {
        CApiController::Instance().Events().Subscribe(db_event::kNewMessage, this);
    }
    ~Receiver() { CApiController::Instance().Events().Unsubscribe(db_event::kNewMessage, this); }
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    void OnDBEvent(std::uint32_t, std::int32_t, std::int32_t messageId) override {
        const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
        if (!message || message->text.rfind("soak ", 0) != 0) return;
        const auto sent = feed_.SentAt(message->text);
        if (!sent) return;
        if (!seen_.insert(message->text).second) {
            ++duplicates;
            return;
        }
        latencies.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - *sent).count());
    }
    int Shown() const { return static_cast<int>(seen_.size()); }

    std::vector<double> latencies;
    int duplicates = 0;

  private:
    const bench::Feed& feed_;
    std::unordered_set<std::string> seen_;
};

// Opens a chat window on the conversation, waits for its page, keeps it open for a while and
// closes it. False when the window did not come up.
bool OpenAndClose(std::int32_t conversationId, const char* title) {
    auto window = std::make_unique<CDlgMessage>(conversationId, QString::fromUtf8(title));
    if (!window->Create(nullptr, UiRect::FromSize(80, 60, 550, 560), QString(),
                        WS_POPUP | WS_VISIBLE) ||
        !QTest::qWaitForWindowExposed(window->Widget()))
        return false;
    const bool ready = bench::PumpUntil([&] { return window->PageReady(); }, 30s);
    if (ready) bench::PumpFor(kWindowOpen);
    window->DestroyWindow();
    window.reset();
    return ready;
}

double Minutes(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--minutes") == 0) return std::atof(argv[i + 1]);
    }
    return 10;
}

bool Flag(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return true;
    }
    return false;
}

std::size_t MessagesHeld() {
    return CDBMsgDlg::Instance().Messages().size();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const double minutes = Minutes(argc, argv);
    const bool withWindows = !Flag(argc, argv, "--no-windows");
    const bool withMessages = !Flag(argc, argv, "--no-messages");
    if (!(minutes > 0)) {
        std::fprintf(stderr,
                     "usage: bench_soak [--minutes N] [--no-windows] [--no-messages], N above 0\n");
        return 2;
    }
    int status = 0;
    {
        bench::ChatClient client(lumeno::test::build::SkinDir());
        if (!client.SignIn()) return 1;
        struct Target {
            const char* account;
            const char* title;
            std::int32_t oneToOne, group;
        };
        const Target targets[] = {
            {"zhangwei", "张伟", bench::ChatClient::ConversationWith("张伟"),
             GroupNamed("产品研发群")},
            {"wangfang", "王芳", bench::ChatClient::ConversationWith("王芳"),
             GroupNamed("周末徒步")},
        };
        std::vector<bench::Feed::Route> routes;
        for (const Target& target : targets) {
            if (target.oneToOne == 0 || target.group == 0) {
                std::fprintf(stderr, "the demo account lacks a conversation with %s\n",
                             target.account);
                return 1;
            }
            routes.push_back({target.account, target.oneToOne});
            routes.push_back({target.account, target.group});
        }

        bench::Feed feed(client.Service(), routes, kPeriod);
        Receiver receiver(feed);
        const long startKiB = ResidentKiB();
        std::printf(
            "soak: %.1f min, %s, %s; resident memory at start %.1f MiB, messages held %zu\n",
            minutes,
            withMessages ? "a message every 50 ms into 4 conversations" : "no messages sent",
            withWindows ? "chat windows opening and closing" : "no chat window", startKiB / 1024.0,
            MessagesHeld());
        std::fflush(stdout);

        const auto start = Clock::now();
        const auto end = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double, std::ratio<60>>(minutes));
        auto nextReport = start + 1min;
        std::vector<long> perMinuteKiB;
        std::vector<std::size_t> perMinuteHeld;
        int windows = 0, windowFailures = 0;
        if (withMessages) feed.Start();
        while (Clock::now() < end) {
            if (withWindows) {
                const Target& target = targets[windows % 2];
                if (!OpenAndClose(target.oneToOne, target.title)) ++windowFailures;
                ++windows;
            }
            bench::PumpFor(kWindowGap);
            if (Clock::now() >= nextReport) {
                perMinuteKiB.push_back(ResidentKiB());
                perMinuteHeld.push_back(MessagesHeld());
                std::printf(
                    "  minute %2zu: resident %.1f MiB, sent %d, shown %d, messages held %zu, "
                    "windows %d\n",
                    perMinuteKiB.size(), perMinuteKiB.back() / 1024.0, feed.Sent(),
                    receiver.Shown(), perMinuteHeld.back(), windows);
                std::fflush(stdout);
                nextReport += 1min;
            }
        }
        feed.Stop();
        // What is still on its way gets a little time to arrive.
        bench::PumpUntil([&] { return receiver.Shown() >= feed.Sent(); }, 60s);
        bench::ChatClient::WaitIdle();
        bench::PumpFor(500ms);

        std::printf("resident memory: start %.1f MiB, end %.1f MiB\n", startKiB / 1024.0,
                    ResidentKiB() / 1024.0);
        if (perMinuteKiB.size() >= 3) {
            // The first minute is warm-up: caches, the web engine's processes, the store's index.
            const double growth = static_cast<double>(perMinuteKiB.back() - perMinuteKiB[1]) /
                                  static_cast<double>(perMinuteKiB.size() - 2) / 1024.0;
            std::printf("growth after warm-up (minute 2 to %zu): %+.2f MiB per minute\n",
                        perMinuteKiB.size(), growth);
            const auto held = perMinuteHeld.back() - perMinuteHeld[1];
            if (held > 0) {
                std::printf("  per message the store took in meanwhile: %.2f KiB (%zu messages)\n",
                            static_cast<double>(perMinuteKiB.back() - perMinuteKiB[1]) /
                                static_cast<double>(held),
                            held);
            }
        }
        if (!receiver.latencies.empty()) {
            std::printf("delivery, send -> in the client's store: p50 %.1f ms, p99 %.1f ms\n",
                        bench::Percentile(receiver.latencies, 0.5),
                        bench::Percentile(receiver.latencies, 0.99));
        }
        std::printf(
            "messages: sent %d, shown %d, duplicates %d, refused by the service %d, "
            "sends late by more than a period %d\n",
            feed.Sent(), receiver.Shown(), receiver.duplicates, feed.Failed(), feed.Late());
        std::printf("chat windows opened and closed: %d (%d did not come up)\n", windows,
                    windowFailures);
        if (receiver.Shown() != feed.Sent() || feed.Failed() > 0 || receiver.duplicates > 0) {
            std::printf("FAIL: shown differs from sent\n");
            status = 1;
        } else if (windowFailures > 0) {
            std::printf("FAIL: a chat window did not come up\n");
            status = 1;
        }
    }
    return status;
}

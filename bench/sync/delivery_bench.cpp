// Delivery of a message to a signed-in client: 500 messages sent one at a time by another member
// of a group through the local service; for each, the time from the send until this client tells
// of it on the event bus (kind 0x10), set against the time until the push notice ("1#") reaches a
// bare push connection of a third member, for the same send. Measured in this run.
#include <arpa/inet.h>
#include <json/json.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "net/url_encode.h"
#include "platform/ui_thread.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_component.h"
#include "storage/user_store.h"
#include "tests/support/client_window.h"
#include "tests/support/local_service.h"
#include "tests/support/temp_dir.h"
#include "util/small_components.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMessages = 500;
constexpr int kWarmUp = 10;  // sent first and not counted
// The demo world: a group of the demo account, one member sends, another listens.
constexpr const char* kGroupName = "产品研发群";
constexpr const char* kSender = "zhangwei";
constexpr const char* kListener = "chenjing";

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> samples, double p) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(at, samples.size() - 1)];
}

Json::Value Parse(const std::string& text) {
    Json::Value root;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    reader->parse(text.data(), text.data() + text.size(), &root, &errors);
    return root;
}

// A bare connection on the push protocol: messages end in '#'.
class PushListener {
  public:
    bool Connect(int port, const std::string& uid) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return false;
        return Send("uid#" + uid + "#ping#") && Next(5000) == "ok";
    }
    ~PushListener() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Send(const std::string& text) {
        return ::send(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
    }
    // The next message without its '#'; empty after `timeoutMs` or when the connection ends.
    std::string Next(int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (auto end = buffer_.find('#'); end != std::string::npos) {
                std::string message = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return message;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
            char chunk[256];
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0) return {};
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

  private:
    int fd_ = -1;
    std::string buffer_;
};

// Records when each new-message event reaches a listener of the bus.
class ArrivalClock final : public IDBEventListener {
  public:
    ArrivalClock() { CApiController::Instance().Events().Subscribe(db_event::kNewMessage, this); }
    ~ArrivalClock() {
        CApiController::Instance().Events().Unsubscribe(db_event::kNewMessage, this);
    }
    void OnDBEvent(std::uint32_t, std::int32_t, std::int32_t messageId) override {
        const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
        if (message && message->text == expected) arrived = Clock::now();
    }
    std::string expected;
    Clock::time_point arrived;
};

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return platform::PumpMessagesUntil(done, limit);
}

}  // namespace

// bench_sync_delivery [--bulk]: the demo account, or the large account (1,000 conversations,
// 10,000 contacts) with a group picked from its conversations.
int main(int argc, char** argv) {
    const bool bulk = argc > 1 && std::string(argv[1]) == "--bulk";
    const std::string account = bulk ? "bench" : "demo";
    lumeno::test::TempDir home;
    lumeno::test::UseTempDataHome(home);
    QCoreApplication app(argc, argv);
    lumeno::test::LocalService::Options options;
    options.seed = bulk ? "bulk" : "demo";
    lumeno::test::LocalService service(options);
    RegisterComponentTable(kUtilComponentTable);
    RegisterComponentTable(kStorageComponentTable);
    GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
    service.PointClientHere();
    auto window = std::make_unique<lumeno::test::ClientWindow>();
    CApiController& controller = CApiController::Instance();

    // The real sign-in, first synchronisation, contact list and push connection of the client.
    {
        lumeno::test::EventRecorder events(db_event::kSignIn | db_event::kConversationSync |
                                           db_event::kContacts);
        SignIn(account, "lumeno123", false, false);
        const bool ready = PumpUntil(
            [&] {
                return events.Saw(db_event::kSignIn, db_event::kFailed) ||
                       (events.Count(db_event::kConversationSync, db_event::kDone) >= 2 &&
                        !controller.conversationSync.Busy() &&
                        (events.Saw(db_event::kContacts, db_event::kDone) ||
                         events.Saw(db_event::kContacts, db_event::kFailed)));
            },
            std::chrono::seconds(bulk ? 600 : 60));
        if (!ready || !events.Saw(db_event::kSignIn, db_event::kDone)) {
            std::fprintf(stderr, "the client did not sign in\n");
            return 1;
        }
    }
    if (!PumpUntil(
            [&] {
                return service.Get("/admin/push/sessions?qxid=" + account).find("\"sessions\":1") !=
                       std::string::npos;
            },
            std::chrono::seconds(20))) {
        std::fprintf(stderr, "the client has no push connection\n");
        return 1;
    }
    std::int32_t group = 0;
    std::string sender = kSender, listenerAccount = kListener;
    const std::string me = CDBLogin::Instance().Record().qxid;
    for (const auto& [id, c] : CDBMsgDlg::Instance().Conversations()) {
        if (c->type != kGroupConversationType || c->deleted != 0 || (group && id > group)) continue;
        if (!bulk) {
            if (c->name == kGroupName) group = id;
            continue;
        }
        std::vector<std::string> others;
        for (const std::string& member : c->member_ids) {
            if (member != me) others.push_back(member);
        }
        if (others.size() < 2) continue;
        group = id;
        sender = others[0];
        listenerAccount = others[1];
    }
    if (group == 0) {
        std::fprintf(stderr, "no group to send into\n");
        return 1;
    }

    // A third member on a bare push connection. A complete synchronisation of theirs covers the
    // news, so that the next ping is answered "0#" and the next notice is the next send's.
    const Json::Value listener = Parse(service.Get("/admin/token?account=" + listenerAccount));
    const std::string listenerSync = "/lumeno/msg/v3/get_msg_dlg?u=" + listener["qxid"].asString() +
                                     "&access_token=" + listener["token"].asString() +
                                     "&count=200&after_did=";
    // Asked after the last message sent, as an incremental synchronisation asks. The first page's
    // round trip is kept: a bare synchronisation request that brings the message.
    int lastSent = 999999999;
    std::string marks = "&after_d_time=0";
    double pageRoundTrip = 0;
    auto coverNews = [&] {
        for (int page = 0; page < 50; ++page) {
            const Clock::time_point asked = Clock::now();
            const Json::Value a =
                Parse(service.Get(listenerSync + std::to_string(lastSent - 1) + marks));
            if (a.isMember("now")) {
                const std::string now = UrlEncode(a["now"].asString());
                marks = "&after_d_time=" + now + "&last_c_time=" + now + "&after_m_time=" + now;
            }
            if (page == 0) pageRoundTrip = Ms(Clock::now() - asked);
            if (!a["msg_hasmore"].asBool() && !a["dlg_hasmore"].asBool()) break;
        }
        lastSent = 999999999;
    };
    PushListener push;
    if (!push.Connect(service.PushPort(), std::to_string(listener["id"].asInt()))) {
        std::fprintf(stderr, "the bare push connection was not accepted\n");
        return 1;
    }
    auto arm = [&] {
        for (int attempt = 0; attempt < 10; ++attempt) {
            coverNews();
            if (!push.Send("ping#")) return false;
            const std::string reply = push.Next(5000);
            if (reply == "0") return true;
            if (reply != "1") return false;
        }
        return false;
    };

    ArrivalClock clock;
    std::vector<double> client, bare, ratios, noticeToSync, syncToEvent, roundTrips;
    int lost = 0;
    for (int i = 0; i < kWarmUp + kMessages; ++i) {
        // The client is idle and waiting on its push connection; the bare listener too.
        PumpUntil([&] { return !controller.conversationSync.Busy(); }, std::chrono::seconds(10));
        PumpUntil([] { return false; }, std::chrono::milliseconds(5));
        if (!arm()) {
            std::fprintf(stderr, "the bare push connection broke\n");
            return 1;
        }
        if (i > kWarmUp) roundTrips.push_back(pageRoundTrip);  // the previous send's page
        const std::string text = "d-" + std::to_string(i);
        clock.expected = text;
        clock.arrived = {};
        Clock::time_point notice;
        const Clock::time_point sent = Clock::now();
        std::thread listen([&] {
            if (push.Next(10000) == "1") notice = Clock::now();
        });
        std::thread sending([&] {
            lastSent = Parse(service.Get("/admin/send?from=" + sender +
                                         "&mid=" + std::to_string(group) + "&text=" + text))["id"]
                           .asInt();
        });
        // When the client's synchronisation starts: its push connection has heard the notice.
        Clock::time_point syncStarted;
        const bool delivered = PumpUntil(
            [&] {
                if (syncStarted == Clock::time_point{} && controller.conversationSync.Busy())
                    syncStarted = Clock::now();
                return clock.arrived != Clock::time_point{};
            },
            std::chrono::seconds(10));
        sending.join();
        listen.join();
        if (i < kWarmUp) continue;
        if (!delivered || notice == Clock::time_point{}) {
            ++lost;
            continue;
        }
        client.push_back(Ms(clock.arrived - sent));
        bare.push_back(Ms(notice - sent));
        ratios.push_back(client.back() / bare.back());
        if (syncStarted != Clock::time_point{}) {
            noticeToSync.push_back(Ms(syncStarted - sent));
            syncToEvent.push_back(Ms(clock.arrived - syncStarted));
        }
    }

    const double c50 = Percentile(client, 0.5), c99 = Percentile(client, 0.99);
    const double b50 = Percentile(bare, 0.5), b99 = Percentile(bare, 0.99);
    std::printf(
        "%s account, %zu users in the user store: %zu messages sent one at a time into a group "
        "(%d warm-up not counted, %d lost)\n",
        account.c_str(), CDBUser::Instance().Users().size(), client.size(), kWarmUp, lost);
    std::printf("send -> push notice \"1#\" on a bare connection:  p50 %7.2f ms  p99 %7.2f ms\n",
                b50, b99);
    std::printf("send -> client's new-message event (0x10):     p50 %7.2f ms  p99 %7.2f ms\n", c50,
                c99);
    std::printf(
        "ratio client / bare notice:                    p50 %7.2f     p99 %7.2f"
        "     (per message, median %.2f)\n",
        c50 / b50, c99 / b99, Percentile(ratios, 0.5));
    std::printf("  client: send -> its synchronisation starts:   p50 %7.2f ms  p99 %7.2f ms\n",
                Percentile(noticeToSync, 0.5), Percentile(noticeToSync, 0.99));
    std::printf("  client: synchronisation start -> 0x10 event:  p50 %7.2f ms  p99 %7.2f ms\n",
                Percentile(syncToEvent, 0.5), Percentile(syncToEvent, 0.99));
    std::printf("  bare get_msg_dlg bringing one message:       p50 %7.2f ms  p99 %7.2f ms\n",
                Percentile(roundTrips, 0.5), Percentile(roundTrips, 0.99));
    SignOut();
    window.reset();
    return lost == 0 ? 0 : 1;
}

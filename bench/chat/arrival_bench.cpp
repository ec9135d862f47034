// A message from another account arriving while its conversation is open: from the send through
// the local service until the chat window's page has drawn it (the page's list changed and the
// next frame drawn), against the same send until the client's event bus tells of the new message
// (kind 0x10) with no window open at all, in the same run. 200 messages of each, in blocks that
// take turns, the window opened afresh for each of its blocks; a few messages before each block
// are not counted.

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "api/api_controller.h"
#include "bench/chat/chat_client.h"
#include "bench/chat/page_frames.h"
#include "bench/support/rounds.h"
#include "net/url_encode.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/build_tree.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kBlocks = 10;    // of each kind
constexpr int kPerBlock = 20;  // counted messages of a block
constexpr int kWarmUp = 2;     // sent before each block's counted ones
constexpr char kPeerName[] = "张伟";
constexpr char kPeerAccount[] = "zhangwei";
// Between two messages: the client idle again, its page done with the last one.
constexpr auto kPause = 20ms;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Records when the new-message event of the awaited text reaches a listener of the bus.
class ArrivalClock final : public IDBEventListener {
  public:
    ArrivalClock() { CApiController::Instance().Events().Subscribe(db_event::kNewMessage, this); }
    ~ArrivalClock() {
        CApiController::Instance().Events().Unsubscribe(db_event::kNewMessage, this);
    }
    ArrivalClock(const ArrivalClock&) = delete;
    ArrivalClock& operator=(const ArrivalClock&) = delete;
    void OnDBEvent(std::uint32_t, std::int32_t, std::int32_t messageId) override {
        const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
        if (message && message->text == expected) arrived = Clock::now();
    }
    std::string expected;
    Clock::time_point arrived{};
};

// Whether the page's newest row holds the text.
bool NewestRowHolds(CDlgMessage& window, const std::string& text) {
    bool done = false, holds = false;
    window.Page().RunScript(
        QStringLiteral("(function(){var rows=document.querySelectorAll('#conversation .row.msg');"
                       "return rows.length?rows[rows.length-1].textContent:'';})()"),
        [&](const QVariant& value) {
            holds = value.toString().contains(QString::fromStdString(text));
            done = true;
        });
    bench::PumpUntil([&] { return done; }, 10s);
    return holds;
}

class Arrivals {
  public:
    Arrivals(bench::ChatClient& client, std::int32_t conversationId)
        : client_(client), conversationId_(conversationId) {}

    // One message sent by the peer; the moment it was sent and whether the client told of it.
    bool Send(const std::string& text, Clock::time_point& sent,
              const std::function<bool()>& shown) {
        bench::ChatClient::WaitIdle();
        bench::PumpFor(kPause);
        clock_.expected = text;
        clock_.arrived = {};
        const std::string path = "/admin/send?mid=" + std::to_string(conversationId_) +
                                 "&from=" + kPeerAccount + "&text=" + UrlEncode(text);
        sent = Clock::now();
        std::thread sending([&] { client_.Service().Get(path); });
        const bool arrived = bench::PumpUntil(
            [&] { return clock_.arrived != Clock::time_point{} && (!shown || shown()); }, 10s);
        sending.join();
        return arrived;
    }
    Clock::time_point Arrived() const { return clock_.arrived; }

  private:
    bench::ChatClient& client_;
    std::int32_t conversationId_;
    ArrivalClock clock_;
};

struct Samples {
    std::vector<double> bare;   // send -> event, no window
    std::vector<double> drawn;  // send -> drawn in the open window
    std::vector<double> event;  // send -> event, the window open
    int lost = 0;
};

void BareBlock(Arrivals& arrivals, int block, Samples& samples) {
    for (int i = 0; i < kWarmUp + kPerBlock; ++i) {
        const std::string text = "bare " + std::to_string(block) + "-" + std::to_string(i);
        Clock::time_point sent;
        const bool arrived = arrivals.Send(text, sent, {});
        if (i < kWarmUp) continue;
        if (!arrived) {
            ++samples.lost;
            continue;
        }
        samples.bare.push_back(Ms(arrivals.Arrived() - sent));
    }
}

bool WindowBlock(Arrivals& arrivals, std::int32_t conversationId, int block, Samples& samples) {
    auto window = std::make_unique<CDlgMessage>(conversationId, QString::fromUtf8(kPeerName));
    if (!window->Create(nullptr, UiRect::FromSize(80, 60, 550, 560), QString(),
                        WS_POPUP | WS_VISIBLE) ||
        !QTest::qWaitForWindowExposed(window->Widget()))
        return false;
    bench::PageFrames frames(window->Page());
    if (!bench::PumpUntil([&] { return window->PageReady() && frames.Count() > 0; }, 30s))
        return false;
    bench::PumpFor(300ms);
    for (int i = 0; i < kWarmUp + kPerBlock; ++i) {
        const std::string text = "window " + std::to_string(block) + "-" + std::to_string(i);
        const int before = frames.Count();
        Clock::time_point sent;
        const bool arrived = arrivals.Send(text, sent, [&] { return frames.Count() > before; }) &&
                             NewestRowHolds(*window, text);
        if (i < kWarmUp) continue;
        if (!arrived) {
            ++samples.lost;
            continue;
        }
        samples.drawn.push_back(Ms(frames.Last() - sent));
        samples.event.push_back(Ms(arrivals.Arrived() - sent));
    }
    window->DestroyWindow();
    window.reset();
    bench::PumpFor(300ms);
    return true;
}

// The percentiles of `values`, with their ratios to the baseline's when one is given.
void Print(const char* name, const std::vector<double>& values, double base50 = 0,
           double base99 = 0) {
    const double p50 = bench::Percentile(values, 0.5), p99 = bench::Percentile(values, 0.99);
    std::printf("  %-46s p50 %7.2f ms  p99 %7.2f ms", name, p50, p99);
    if (base50 > 0 && base99 > 0) std::printf("   %5.2fx  %5.2fx", p50 / base50, p99 / base99);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    Samples samples;
    {
        bench::ChatClient client(lumeno::test::build::SkinDir());
        if (!client.SignIn()) return 1;
        const std::int32_t id = bench::ChatClient::ConversationWith(kPeerName);
        if (id == 0) {
            std::fprintf(stderr, "the demo account has no conversation with %s\n", kPeerName);
            return 1;
        }
        Arrivals arrivals(client, id);
        for (int block = 0; block < kBlocks; ++block) {
            const bool windowFirst = block % 2 == 1;
            if (windowFirst && !WindowBlock(arrivals, id, block, samples)) {
                std::fprintf(stderr, "the chat window did not open\n");
                return 1;
            }
            BareBlock(arrivals, block, samples);
            if (!windowFirst && !WindowBlock(arrivals, id, block, samples)) {
                std::fprintf(stderr, "the chat window did not open\n");
                return 1;
            }
        }
    }
    std::vector<double> eventToDrawn;
    for (std::size_t i = 0; i < samples.drawn.size(); ++i)
        eventToDrawn.push_back(samples.drawn[i] - samples.event[i]);
    const double base50 = bench::Percentile(samples.bare, 0.5);
    const double base99 = bench::Percentile(samples.bare, 0.99);
    std::printf(
        "a message from %s (%s) while the conversation is open: %zu drawn, %zu bare, %d lost; "
        "ratios to the bare event (p50, p99)\n",
        kPeerName, kPeerAccount, samples.drawn.size(), samples.bare.size(), samples.lost);
    Print("send -> new-message event, no window", samples.bare, base50, base99);
    Print("send -> drawn in the open chat window", samples.drawn, base50, base99);
    std::printf("  of which, with the window open:\n");
    Print("  send -> new-message event", samples.event, base50, base99);
    Print("  new-message event -> drawn", eventToDrawn);
    return samples.lost == 0 ? 0 : 1;
}

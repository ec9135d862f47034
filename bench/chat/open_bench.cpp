// Opening a conversation of 500 messages in its chat window, signed in to the local service, in
// the real web engine: from the window's creation until the page has drawn the newest messages
// (the first history batch shown and the next frame drawn), against the conversation page of the
// skin folder loaded by the bare web view with the same batch of items, in the same rounds. The
// two take turns at going first; the first round warms both and is not counted.
// An optional argument sets the number of rounds.

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "api/conversation_sync.h"
#include "bench/chat/chat_client.h"
#include "bench/chat/page_frames.h"
#include "bench/support/rounds.h"
#include "conversation/message_items.h"
#include "conversation/store_sources.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/conversation_page.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kMessages = 500;
// The demo account's conversation with 赵磊 holds one message; he sends the rest.
constexpr char kPeerName[] = "赵磊";
constexpr char kPeerAccount[] = "zhaolei";
// An unread count of 10 opens the window on the newest ten messages, the most a first page
// holds without the bar that offers the rest.
constexpr int kUnread = 10;
const UiRect kWindowRect = UiRect::FromSize(80, 60, 550, 560);

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Texts of the kinds people write: short, long, with an emoticon, with a link.
std::string SampleText(int i) {
    static const char* const kTexts[] = {
        "好的，收到",
        "下午三点的会议改到四点了，会议室不变，记得带上上周的数据 [smiles_01_02]",
        "方案我看过了，第二部分的排期可以再紧一点；详细的意见写在文档里了：https://"
        "docs.example.com/plan",
        "明天见 [smiles_01_01]",
        "这个岗位的要求是五年以上的产品经验，最好做过企业服务，薪资可以谈。有兴趣的话我们约个时间详"
        "细聊聊？",
    };
    return std::to_string(i + 1) + ". " + kTexts[i % (sizeof kTexts / sizeof kTexts[0])];
}

// A script's value, waited for.
QVariant Eval(CKesHtmlWnd& view, const char* code) {
    bool done = false;
    QVariant value;
    view.RunScript(QString::fromLatin1(code), [&](const QVariant& result) {
        value = result;
        done = true;
    });
    bench::PumpUntil([&] { return done; }, 10s);
    return value;
}

// What the page shows, row by row: class, message id and text.
constexpr char kShownRows[] =
    "Array.from(document.querySelectorAll('#conversation .row')).map(function(r){"
    "return r.className+'|'+(r.getAttribute('data-id')||'')+'|'+r.textContent;}).join('\\n')";

struct Opening {
    double total = -1;   // to the frame after the first batch
    double loaded = -1;  // to the page's load
    double handed = -1;  // to the batch handed to the page (the window only)
    QString rows;        // what the page showed, read afterwards
    int pageWidth = 0, pageHeight = 0;
};

// The chat window, opened as a person opens it, until its page has drawn the first batch.
Opening OpenWindow(std::int32_t conversationId) {
    if (ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId))
        conversation->badge = kUnread;
    Opening opening;
    const Clock::time_point start = Clock::now();
    auto window = std::make_unique<CDlgMessage>(conversationId, QString::fromUtf8(kPeerName));
    if (!window->Create(nullptr, kWindowRect, QString(), WS_POPUP | WS_VISIBLE)) return opening;
    bench::PageFrames frames(window->Page());
    if (!QTest::qWaitForWindowExposed(window->Widget())) return opening;
    Clock::time_point loaded{}, handed{};
    const bool drawn = bench::PumpUntil(
        [&] {
            if (loaded == Clock::time_point{} && window->Page().PageLoaded()) loaded = Clock::now();
            if (handed == Clock::time_point{} && window->PageReady()) handed = Clock::now();
            return frames.Count() > 0;
        },
        30s);
    if (drawn) {
        opening.total = Ms(frames.Last() - start);
        opening.loaded = Ms(loaded - start);
        opening.handed = Ms(handed - start);
        opening.rows = Eval(window->Page(), kShownRows).toString();
        if (QWidget* view = window->Page().NativeWidget()) {
            opening.pageWidth = view->width();
            opening.pageHeight = view->height();
        }
    }
    window->DestroyWindow();
    window.reset();
    return opening;
}

// The envelope of the first page as the window builds it from the client's stores.
std::string FirstBatch(std::int32_t conversationId) {
    std::vector<std::int32_t> ids;
    ServeFromIndex(conversationId, 0, kUnread, ids);
    ItemSources sources = StoreItemSources(conversationId);
    sources.emoticons = &ChatEmoticons();
    TimeLabelMarks marks;
    const HistoryBatch batch =
        BuildHistory(ids, sources, StoreHistorySource(conversationId), marks);
    const bool hasMore =
        HistoryHasMore(CDBMsgDlg::Instance().FindIndexEntry(conversationId), batch.oldestShown);
    return HistoryEnvelope(hasMore, HistoryPosition::kBottom, batch.data);
}

// The bare web view in a plain owner window of the same size, loading the conversation page and
// given the same batch, as the window gives it: the items, then the scroll to the end.
Opening OpenFile(const std::string& envelope, int pageWidth, int pageHeight) {
    Opening opening;
    const Clock::time_point start = Clock::now();
    {
        lumeno::test::PageOwner owner;
        CQVHtmlViewEx view;
        owner.view = &view;
        if (!owner.Create(nullptr, kWindowRect, QString(), WS_POPUP | WS_VISIBLE) ||
            !view.Create(owner, UiRect(0, 0, pageWidth, pageHeight)) ||
            !view.NavigateToConversationPage())
            return opening;
        bench::PageFrames frames(view);
        view.ShowItems(envelope);
        view.ScrollToEnd();
        if (!QTest::qWaitForWindowExposed(owner.Widget())) return opening;
        Clock::time_point loaded{};
        const bool drawn = bench::PumpUntil(
            [&] {
                if (loaded == Clock::time_point{} && view.PageLoaded()) loaded = Clock::now();
                return frames.Count() > 0;
            },
            30s);
        if (drawn) {
            opening.total = Ms(frames.Last() - start);
            opening.loaded = Ms(loaded - start);
            opening.rows = Eval(view, kShownRows).toString();
        }
        view.DestroyHandle();
        owner.DestroyWindow();
    }
    return opening;
}

void Print(const char* name, const std::vector<double>& values, double baseline) {
    const double median = bench::Median(values);
    std::printf("  %-44s median %7.1f ms  p90 %7.1f ms  %5.2fx\n", name, median,
                bench::Percentile(values, 0.9), baseline > 0 ? median / baseline : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;
    int status = 0;
    {
        bench::ChatClient client(lumeno::test::build::SkinDir());
        if (!client.SignIn()) return 1;
        const std::int32_t id = bench::ChatClient::ConversationWith(kPeerName);
        if (id == 0) {
            std::fprintf(stderr, "the demo account has no conversation with %s\n", kPeerName);
            return 1;
        }
        const std::size_t held = bench::ChatClient::HeldMessages(id);
        if (held < kMessages &&
            !client.SendMessages(id, kPeerAccount, static_cast<int>(kMessages - held), SampleText))
            return 1;

        // The warm-up: a window first, whose page size the bare view takes, then the same page
        // with the same items; both must show the same rows.
        const Opening first = OpenWindow(id);
        const std::string envelope = FirstBatch(id);
        const Opening firstFile = OpenFile(envelope, first.pageWidth, first.pageHeight);
        if (first.total < 0 || firstFile.total < 0) {
            std::fprintf(stderr, "a page was not drawn\n");
            return 1;
        }
        if (first.rows != firstFile.rows) {
            std::fprintf(stderr, "the window and the bare page show different rows:\n%s\n--\n%s\n",
                         qPrintable(first.rows), qPrintable(firstFile.rows));
            return 1;
        }
        const int items = static_cast<int>(first.rows.count(QStringLiteral("row msg")));

        std::vector<double> window, file, ratios, loaded, handed, fileLoaded;
        for (int round = 0; round < rounds; ++round) {
            Opening w, f;
            bench::PumpFor(300ms);
            if (round % 2 == 0) {
                w = OpenWindow(id);
                bench::PumpFor(300ms);
                f = OpenFile(envelope, first.pageWidth, first.pageHeight);
            } else {
                f = OpenFile(envelope, first.pageWidth, first.pageHeight);
                bench::PumpFor(300ms);
                w = OpenWindow(id);
            }
            if (w.total < 0 || f.total < 0 || w.rows != first.rows || f.rows != first.rows) {
                std::fprintf(stderr, "round %d: a page was not drawn as in the first\n", round);
                status = 1;
                break;
            }
            window.push_back(w.total);
            file.push_back(f.total);
            ratios.push_back(w.total / f.total);
            loaded.push_back(w.loaded);
            handed.push_back(w.handed);
            fileLoaded.push_back(f.loaded);
        }
        if (status == 0) {
            std::printf(
                "opening a conversation of %zu messages until its newest %d are drawn, %d rounds "
                "after a warm-up (%dx%d page)\n",
                bench::ChatClient::HeldMessages(id), items, rounds, first.pageWidth,
                first.pageHeight);
            const double base = bench::Median(file);
            Print("the page from the skin folder, same items", file, base);
            Print("the chat window", window, base);
            std::printf("  per round, window / page: median %.2fx, p90 %.2fx\n",
                        bench::Median(ratios), bench::Percentile(ratios, 0.9));
            std::printf(
                "  of which: the page loaded (window)          median %7.1f ms  (page "
                "alone %.1f ms)\n",
                bench::Median(loaded), bench::Median(fileLoaded));
            std::printf(
                "            the first batch handed to it      median %7.1f ms  (asked for %u ms "
                "after the window's creation)\n",
                bench::Median(handed), CDlgMessage::kFirstLoadDelayMs);
        }
    }
    return status;
}

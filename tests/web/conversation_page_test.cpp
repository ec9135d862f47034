// The conversation page driven through its host in the real web engine, as a chat window drives
// it: batches of items and the reading position, the clicks that reach the chat window's
// dispatch, links that leave for the browser, and hostile messages.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QWidget>

#include "conversation/page_dispatch.h"
#include "tests/support/build_tree.h"
#include "tests/support/conversation_page.h"
#include "tests/support/menu_picker.h"
#include "tests/support/sample_conversation.h"
#include "tests/support/temp_dir.h"
#include "toolkit/skin/skin_directory.h"
#include "util/component_registry.h"
#include "util/small_components.h"

namespace {

using lumeno::test::ConversationPage;
using lumeno::test::PumpUntil;
using lumeno::test::SampleConversation;
using lumeno::test::SamplePictureServer;

QString Quoted(const QString& text) {
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact))
        .mid(1)
        .chopped(1);
}

// Receives what the view sends to the desktop's browser.
class BrowserCatcher : public QObject {
    Q_OBJECT
  public:
    BrowserCatcher() {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
    }
    ~BrowserCatcher() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    std::vector<QString> opened;
  public Q_SLOTS:
    void Open(const QUrl& url) { opened.push_back(url.toString()); }
};

class ConversationPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static const bool prepared = [] {
            static lumeno::test::TempDir home;
            lumeno::test::UseTempDataHome(home);
            RegisterComponentTable(kUtilComponentTable);
            GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
            SetSkinDirectory(QString::fromUtf8(lumeno::test::build::SkinDir()));
            return true;
        }();
        (void)prepared;
        emoticons = EmoticonTable::Load(lumeno::test::build::SkinDir());
    }

    int Count(ConversationPage& page, const QString& selector) {
        return page
            .Eval(QStringLiteral("document.querySelectorAll(%1).length").arg(Quoted(selector)))
            .toInt();
    }
    // The top of an element in the view, in pixels; a large negative number when it is missing.
    double TopOf(ConversationPage& page, const QString& selector) {
        return page
            .Eval(QStringLiteral("(function(){var e=document.querySelector(%1);"
                                 "return e?e.getBoundingClientRect().top:-1e9;})()")
                      .arg(Quoted(selector)))
            .toDouble();
    }
    // The whole conversation as the first history batch.
    static void ShowAll(ConversationPage& page, const SampleConversation& chat, bool hasMore) {
        TimeLabelMarks marks;
        page.view.ShowItems(
            chat.History(0, chat.Messages().size(), HistoryPosition::kBottom, hasMore, marks));
    }
    // Waits until every picture of the page has loaded or failed: a picture that arrives moves
    // what is below it.
    bool WaitForPictures(ConversationPage& page) {
        return PumpUntil([&] {
            return page
                .Eval(QStringLiteral("Array.from(document.images).every(function(i){"
                                     "return i.complete;})"))
                .toBool();
        });
    }
    // Clicks the middle of an element with the mouse, as a person would, and waits for `done`.
    template <typename Done>
    bool Click(ConversationPage& page, const QString& selector, Done done) {
        page.Eval(QStringLiteral("(function(){var e=document.querySelector(%1);"
                                 "if(e)e.scrollIntoView({block:'center'});})()")
                      .arg(Quoted(selector)));
        page.Settle();
        const QVariantList centre =
            page.Eval(QStringLiteral("(function(){var e=document.querySelector(%1);if(!e)return [];"
                                     "var b=e.getBoundingClientRect();"
                                     "return [b.left+b.width/2,b.top+b.height/2];})()")
                          .arg(Quoted(selector)))
                .toList();
        if (centre.size() != 2) {
            ADD_FAILURE() << "nothing to click at " << selector.toStdString();
            return false;
        }
        QWidget* target = page.view.NativeWidget()->focusProxy();
        if (!target) target = page.view.NativeWidget();
        const QPoint point(qRound(centre[0].toDouble()), qRound(centre[1].toDouble()));
        QTest::mouseMove(target, point);
        QTest::mouseClick(target, Qt::LeftButton, {}, point);
        return PumpUntil(done, std::chrono::seconds(10));
    }

    SamplePictureServer pictures;
    EmoticonTable emoticons;
};

TEST_F(ConversationPageTest, ScriptsCalledBeforeTheLoadRunInOrderAfterIt) {
    SampleConversation chat(pictures, false, &emoticons);
    ConversationPage page;
    ASSERT_TRUE(page.Open());
    EXPECT_TRUE(page.view.Loading());
    for (int i = 1; i <= 3; ++i) {
        page.view.RunScript(
            QStringLiteral("window.order=(window.order||[]);window.order.push(%1);").arg(i));
    }
    ShowAll(page, chat, false);
    EXPECT_FALSE(page.view.PageLoaded());
    EXPECT_GE(page.view.QueuedScripts(), 4);
    ASSERT_TRUE(page.WaitLoaded());
    EXPECT_FALSE(page.view.Loading());
    EXPECT_EQ(page.Eval(QStringLiteral("window.order.join(',')")).toString(),
              QStringLiteral("1,2,3"));
    EXPECT_EQ(Count(page, QStringLiteral("#conversation .row.msg")),
              static_cast<int>(chat.Messages().size()) - 0 -
                  Count(page, QStringLiteral("#conversation .row-notice")));
}

// History at the bottom, older messages above with the reader's place kept, "nothing more", and
// messages that arrive while the reader is at the end or has scrolled up.
TEST_F(ConversationPageTest, BatchesKeepTheReadingPositionAndArrivalsComeIntoView) {
    SampleConversation chat(pictures, false, &emoticons);
    const std::size_t all = chat.Messages().size();
    TimeLabelMarks marks;
    ConversationPage page;
    ASSERT_TRUE(page.Open(520, 420));
    ASSERT_TRUE(page.WaitLoaded());

    page.view.ShowItems(chat.History(5, all, HistoryPosition::kBottom, true, marks));
    page.view.ScrollToEnd();
    page.Settle();
    EXPECT_EQ(Count(page, QStringLiteral("#conversation .row.msg")), static_cast<int>(all - 5));
    EXPECT_EQ(page.Eval(QStringLiteral("document.getElementById('more').hidden")).toBool(), false);
    lumeno::test::PumpUntil([&] {
        const PageScroll at = page.Scroll();
        return at.Range() > 0 && !at.ScrolledUp() && at.top == at.Range();
    });
    PageScroll at = page.Scroll();
    EXPECT_GT(at.Range(), 0);
    EXPECT_EQ(at.top, at.Range()) << "the first batch ends at the end";

    // The reader looks at the first message shown; older ones arrive above it.
    const QString first = QStringLiteral(".msg[data-id=\"%1\"]").arg(chat.Messages()[5].id);
    page.view.ScrollTo(0);
    page.Settle();
    const double before = TopOf(page, first);
    page.view.ShowItems(chat.History(0, 5, HistoryPosition::kUp, true, marks));
    page.Settle();
    EXPECT_EQ(Count(page, QStringLiteral("#conversation .row.msg")), static_cast<int>(all));
    EXPECT_NEAR(TopOf(page, first), before, 1.0) << "the reading position moved";
    // Far enough above the end to count as scrolled up once the pictures below have their size
    // (a busy machine loads them after the batch is laid out).
    EXPECT_TRUE(lumeno::test::PumpUntil([&] { return page.Scroll().ScrolledUp(); }));
    page.view.HasNoMore();
    page.Settle();
    EXPECT_TRUE(page.Eval(QStringLiteral("document.getElementById('more').hidden")).toBool());

    // At the end, an arrival scrolls into view.
    page.view.ScrollToEnd();
    page.Settle();
    const MessageRecord arrived = SampleConversation::Arrived(9001, "刚到的一条消息", 200);
    page.view.ShowItems(ArrivedEnvelope(false, BelowData(arrived, chat.Sources(), marks)));
    page.Settle();
    const double bottom =
        page.Eval(QStringLiteral("document.querySelector('.msg[data-id=\"9001\"]')"
                                 ".getBoundingClientRect().bottom"))
            .toDouble();
    EXPECT_GT(bottom, 0);
    EXPECT_LE(bottom, 420);
    EXPECT_FALSE(page.Scroll().ScrolledUp());

    // Scrolled up, an arrival is added below without moving the reader.
    page.view.ScrollTo(0);
    page.Settle();
    const MessageRecord later = SampleConversation::Arrived(9002, "又一条", 201);
    page.view.ShowItems(ArrivedEnvelope(true, BelowData(later, chat.Sources(), marks)));
    page.Settle();
    EXPECT_EQ(Count(page, QStringLiteral(".msg[data-id=\"9002\"]")), 1);
    EXPECT_EQ(page.Scroll().top, 0);
}

// Avatar, voice clip, picture, business card, mention and "more": each click reaches the owner
// as its address, and the dispatch accepts it against the conversation. Web links and job
// cards go to the browser; the page stays where it is.
TEST_F(ConversationPageTest, ClicksReachTheOwnerAsTheirAddresses) {
    SampleConversation chat(pictures, true, &emoticons);
    BrowserCatcher browser;
    ConversationPage page;
    ASSERT_TRUE(page.Open(560, 640));
    ASSERT_TRUE(page.WaitLoaded());
    ShowAll(page, chat, true);
    ASSERT_TRUE(WaitForPictures(page));
    page.Settle();

    std::int32_t voice = 0, card = 0, picture = 0, text = 0, job = 0;
    for (const MessageRecord& message : chat.Messages()) {
        if (message.type == 1) voice = message.id;
        if (message.type == 101) card = message.id;
        if (message.type == 2) picture = message.id;
        if (message.type == 100) job = message.id;
        if (message.type == 0 && !message.is_me && !text) text = message.id;
    }
    PageContents contents;
    contents.findMessage = [&](std::int32_t id) { return chat.Find(id); };
    contents.showsPicture = [&](const std::string& url) { return url == chat.PhotoUrl(); };
    struct Expected {
        QString selector;
        PageClick click;
        std::int32_t id;
    };
    const std::vector<Expected> clicks = {
        {QStringLiteral(".msg[data-id=\"%1\"] img.avatar").arg(text), PageClick::kAvatar, text},
        {QStringLiteral(".msg[data-id=\"%1\"] .bubble.voice").arg(voice), PageClick::kVoice, voice},
        {QStringLiteral(".msg[data-id=\"%1\"] .bubble-picture").arg(picture), PageClick::kPicture,
         0},
        {QStringLiteral(".msg[data-id=\"%1\"] .card-person").arg(card), PageClick::kCard, card},
        {QStringLiteral(".bubble-text a[href*=\"/atnameclick\"]"), PageClick::kMention, 0},
        {QStringLiteral("#more-button"), PageClick::kMore, 0},
    };
    for (const Expected& expected : clicks) {
        const std::size_t before = page.owner.offered.size();
        ASSERT_TRUE(Click(page, expected.selector, [&] {
            return page.owner.offered.size() > before;
        })) << expected.selector.toStdString();
        const PageLink link = ParsePageLink(page.owner.offered.back());
        EXPECT_EQ(link.click, expected.click) << page.owner.offered.back();
        if (expected.id) {
            EXPECT_EQ(link.id, expected.id);
        }
        EXPECT_TRUE(PageLinkAllowed(link, contents)) << page.owner.offered.back();
        if (link.click == PageClick::kPicture) {
            EXPECT_EQ(link.text, chat.PhotoUrl());
        }
        if (link.click == PageClick::kMention) {
            EXPECT_EQ(link.text, "me1");
        }
    }
    // The voice clip's unread dot stays after the click: it goes when the client says the clip
    // was heard, and the bubble shows it playing, then stopped.
    const QString dot = QStringLiteral(".msg[data-id=\"%1\"] .unread-dot").arg(voice);
    const QString playing = QStringLiteral(".msg[data-id=\"%1\"] .voice.playing").arg(voice);
    EXPECT_EQ(Count(page, dot), 1);
    page.view.ShowVoiceState(voice, CQVHtmlViewEx::VoiceState::kPlaying, true, QString());
    EXPECT_EQ(Count(page, playing), 1);
    EXPECT_EQ(Count(page, dot), 1);
    page.view.ShowVoiceState(voice, CQVHtmlViewEx::VoiceState::kPlaying, false, QString());
    EXPECT_EQ(Count(page, dot), 0);
    page.view.ShowVoiceState(voice, CQVHtmlViewEx::VoiceState::kStopped, false, QString());
    EXPECT_EQ(Count(page, playing), 0);

    // A web address in a text and a job card open in the desktop's browser.
    ASSERT_TRUE(Click(page, QStringLiteral(".bubble-text a[target=\"_blank\"]"),
                      [&] { return !browser.opened.empty(); }));
    EXPECT_EQ(browser.opened.back(), QStringLiteral("https://portfolio.example.com/linxiao"));
    ASSERT_TRUE(Click(page, QStringLiteral(".msg[data-id=\"%1\"] .card-job").arg(job),
                      [&] { return browser.opened.size() == 2; }));
    EXPECT_EQ(browser.opened.back(), QStringLiteral("https://jobs.example.com/p/1024"));
    EXPECT_TRUE(page.Eval(QStringLiteral("location.href"))
                    .toString()
                    .endsWith(QStringLiteral("qxstc-ie6fix/index.html")));
}

// Markup, scripts, handlers, script and file links, the link host, a megabyte of text, bidi and
// zero-width characters and broken UTF-8: shown as text, nothing runs, nothing opens, and the
// page goes nowhere and keeps answering.
TEST_F(ConversationPageTest, HostileMessagesStayTextAndRunNothing) {
    SampleConversation chat(pictures, true, &emoticons);
    BrowserCatcher browser;
    ConversationPage page;
    ASSERT_TRUE(page.Open(560, 640));
    ASSERT_TRUE(page.WaitLoaded());

    const std::vector<std::string> texts = {
        "<script>window.pwned=1</script>",
        "<img src=x onerror=\"window.pwned=2\">",
        "\"><svg onload=window.pwned=3>",
        "javascript:window.pwned=4 and http://lumenoclient/getmore and "
        "http://LUMENOCLIENT./audio?id=1 and file:///etc/passwd",
        "\xE2\x80\xAE"
        "txt.exe"
        "\xE2\x80\x8B"
        " rtl and zero width",
        "broken \xC3\x28 utf-8 \xFF",
        std::string(1 << 20, 'A'),
    };
    std::string data;
    std::int32_t id = 7000;
    for (const std::string& text : texts) {
        MessageRecord message = SampleConversation::Arrived(++id, text, 300);
        if (!data.empty()) data += ",";
        data += MakeItem(message, chat.Sources());
    }
    // Fields the page must set as text even when an item arrives without the client's care.
    data +=
        R"(,{"id":"7100","type":"card","from":"other","uid":"u1","uname":"<b onmouseover=window.pwned=5>x</b>",)"
        R"("uicon":"javascript:window.pwned=6","cimg":"file:///etc/passwd","cname":"<i>n</i>",)"
        R"("content":"javascript:window.pwned=7","width":"320"},)"
        R"({"id":"7101","type":"img","from":"other","uid":"u1","uicon":"","content":"javascript:window.pwned=8"},)"
        // Markup in a text item's content, had it ever got past the client: the page's content
        // policy still runs no handler and no script of it.
        R"({"id":"7102","type":"text","from":"other","uid":"u1","uicon":"",)"
        R"("content":"<img src=x onerror=\"window.pwned=9\"><script>window.pwned=10</script>"})";
    page.view.ShowItems(R"({"errno":"0","errmsg":"ok","pos":"bottom","data":[)" + data + "]}");
    page.Settle();

    EXPECT_FALSE(page.Eval(QStringLiteral("'pwned' in window")).toBool());
    EXPECT_EQ(Count(page, QStringLiteral("#conversation svg[onload], #conversation b, "
                                         "#conversation i")),
              0);
    // Only the forced item holds markup, and its handler and script were refused.
    EXPECT_EQ(Count(page, QStringLiteral("#conversation [onerror], #conversation script")), 2);
    EXPECT_EQ(Count(page, QStringLiteral(".msg:not([data-id=\"7102\"]) [onerror], "
                                         ".msg:not([data-id=\"7102\"]) script")),
              0);
    EXPECT_EQ(Count(page, QStringLiteral("#conversation a[href^=\"javascript\"], "
                                         "#conversation a[href^=\"file\"], "
                                         "#conversation a[href*=\"getmore\"], "
                                         "#conversation a[href*=\"audio\"]")),
              0);
    EXPECT_TRUE(page.Eval(QStringLiteral("document.querySelector('.msg[data-id=\"7001\"] "
                                         ".bubble-text').textContent"))
                    .toString()
                    .contains(QStringLiteral("<script>window.pwned=1</script>")));
    EXPECT_TRUE(page.Eval(QStringLiteral("document.querySelector('.msg[data-id=\"7006\"] "
                                         ".bubble-text').textContent"))
                    .toString()
                    .contains(QChar(0xFFFD)));
    EXPECT_EQ(page.Eval(QStringLiteral("document.querySelector('.msg[data-id=\"7007\"] "
                                       ".bubble-text').textContent.length"))
                  .toInt(),
              1 << 20);
    EXPECT_TRUE(page.Eval(QStringLiteral("document.querySelector('.msg[data-id=\"7100\"] "
                                         ".sender-name, .msg[data-id=\"7100\"]').textContent"))
                    .toString()
                    .contains(QStringLiteral("<b onmouseover")));

    // The page cannot be taken elsewhere, even by a script of its own.
    const QString home = page.Eval(QStringLiteral("location.href")).toString();
    page.Eval(QStringLiteral("location.href='https://example.com/';0"));
    page.Eval(QStringLiteral("location.href='file:///etc/passwd';0"));
    page.Eval(QStringLiteral("window.open('file:///etc/passwd');0"));
    page.Settle();
    EXPECT_EQ(page.Eval(QStringLiteral("location.href")).toString(), home);
    EXPECT_TRUE(browser.opened.empty());
    EXPECT_TRUE(page.owner.offered.empty());
    EXPECT_FALSE(page.Eval(QStringLiteral("'pwned' in window")).toBool());
}

// A picture stands beside its sender's avatar, the person's own on the right next to theirs,
// however wide the picture and the window.
TEST_F(ConversationPageTest, PicturesStandBesideTheirSendersAvatar) {
    ConversationPage page;
    ASSERT_TRUE(page.Open(1100, 640));
    ASSERT_TRUE(page.WaitLoaded());
    const std::string photo = pictures.Url("/photo.png");
    const std::string batch =
        R"({"errno":"0","errmsg":"ok","hasmore":"0","pos":"bottom","data":[)"
        R"({"id":"8001","type":"img","from":"me","uid":"me1","uicon":"","content":")" +
        photo + R"("},{"id":"8002","type":"img","from":"other","uid":"u1","uicon":"","content":")" +
        photo + R"("}]})";
    page.view.ShowItems(batch);
    ASSERT_TRUE(PumpUntil([&] { return Count(page, QStringLiteral(".picture")) == 2; }));
    ASSERT_TRUE(WaitForPictures(page));
    page.Settle();
    // The space between a row's picture and its avatar, in pixels.
    const auto gap = [&](const QString& id, bool mine) {
        return page
            .Eval(QStringLiteral("(function(){var r=document.querySelector('.msg[data-id=\"%1\"]');"
                                 "var a=r.querySelector('.avatar').getBoundingClientRect();"
                                 "var p=r.querySelector('.picture').getBoundingClientRect();"
                                 "return %2;})()")
                      .arg(id, mine ? QStringLiteral("a.left-p.right")
                                    : QStringLiteral("p.left-a.right")))
            .toDouble();
    };
    EXPECT_GE(gap(QStringLiteral("8001"), true), 0);
    EXPECT_LE(gap(QStringLiteral("8001"), true), 16) << "the person's own picture drifted away";
    EXPECT_GE(gap(QStringLiteral("8002"), false), 0);
    EXPECT_LE(gap(QStringLiteral("8002"), false), 16);
}

// The view's own menu copies and selects all, page functions answer through the host, and the
// page takes the keyboard when it is given it.
TEST_F(ConversationPageTest, TheMenuCopiesAndSelectsAllAndPageFunctionsAnswer) {
    SampleConversation chat(pictures, false, &emoticons);
    ConversationPage page;
    ASSERT_TRUE(page.Open(560, 640));
    ASSERT_TRUE(page.WaitLoaded());
    ShowAll(page, chat, false);
    page.Settle();
    QWidget* target = page.view.NativeWidget()->focusProxy();
    ASSERT_NE(target, nullptr);
    const auto rightClick = [&] {
        const QPoint point(280, 320);
        QTest::mouseClick(target, Qt::RightButton, {}, point);
    };
    {
        lumeno::test::MenuPicker picker(QStringLiteral("全选(&A)"));
        rightClick();
        ASSERT_TRUE(PumpUntil([&] {
            return picker.menus == 1 &&
                   page.Eval(QStringLiteral("String(getSelection()).length")).toInt() > 0;
        }));
        EXPECT_EQ(picker.texts,
                  (std::vector<QString>{QStringLiteral("复制(&C)"), QStringLiteral("全选(&A)")}));
        EXPECT_EQ(picker.enabled, (std::vector<bool>{false, true}));  // nothing selected yet
    }
    {
        QGuiApplication::clipboard()->clear();
        lumeno::test::MenuPicker picker(QStringLiteral("复制(&C)"));
        rightClick();
        ASSERT_TRUE(PumpUntil([&] {
            return QGuiApplication::clipboard()->text().contains(QStringLiteral("太好了"));
        }));
        EXPECT_EQ(picker.enabled, (std::vector<bool>{true, false}));
    }

    QString linked = QStringLiteral("unanswered");
    page.view.CallFunction(QStringLiteral("replaceUrl"), QStringLiteral("see http://a.example/x"),
                           [&](const QString& result) { linked = result; });
    QString missing = QStringLiteral("unanswered");
    page.view.CallFunction(QStringLiteral("noSuchFunction"), QStringLiteral("x"),
                           [&](const QString& result) { missing = result; });
    ASSERT_TRUE(PumpUntil([&] { return missing != QStringLiteral("unanswered"); }));
    EXPECT_EQ(linked,
              QStringLiteral(
                  "see <a href=\"http://a.example/x\" target=\"_blank\">http://a.example/x</a>"));
    EXPECT_TRUE(missing.isEmpty());
    EXPECT_FALSE(page.view.CallFunction(QStringLiteral("alert(1);x"), QString(), {}));

    page.owner.Widget()->activateWindow();
    page.view.FocusDocument();
    EXPECT_TRUE(PumpUntil([&] { return target->hasFocus(); }));
}

}  // namespace

namespace {

// A conversation with every kind of message, one-to-one and in a group, drawn by the engine: the
// pictures of the README. The avatars, the logo and the photo come from a loopback server, so
// they show that a local page reaches remote pictures.
TEST_F(ConversationPageTest, EveryKindOfMessageDrawnByTheEngine) {
    for (const bool group : {false, true}) {
        SampleConversation chat(pictures, group, &emoticons);
        ConversationPage page;
        ASSERT_TRUE(page.Open(560, 700));
        ASSERT_TRUE(page.WaitLoaded());
        ShowAll(page, chat, true);
        page.view.ScrollToEnd();
        ASSERT_TRUE(WaitForPictures(page));
        // Every remote picture arrived: avatars, the company logo and the photo.
        EXPECT_EQ(page.Eval(QStringLiteral("Array.from(document.images).filter(function(i){"
                                           "return /^http:/.test(i.src)&&i.naturalWidth===0;})"
                                           ".length"))
                      .toInt(),
                  0);
        EXPECT_GT(Count(page, QStringLiteral("img.avatar[src^=\"http:\"]")), 3);
        // Tall enough for the whole conversation.
        const int height = std::min(
            1600, page.Eval(QStringLiteral("document.documentElement.scrollHeight")).toInt());
        page.owner.ResizeClient(560, height);
        VWindow(page.view.Handle()).MoveWindow(0, 0, 560, height);
        page.view.ScrollToEnd();
        page.Settle();
        QTest::qWait(200);
        const QImage shot = page.view.NativeWidget()->grab().toImage();
        ASSERT_EQ(shot.height(), height);
        // The engine's drawing, not a blank grab: bubbles, text and pictures give many colours.
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); y += 2) {
            for (int x = 0; x < shot.width(); x += 2)
                colours.insert(shot.pixel(x, y));
        }
        EXPECT_GT(colours.size(), 400);
        QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
        EXPECT_TRUE(
            shot.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                      QStringLiteral("/conversation-%1.png")
                          .arg(group ? QStringLiteral("group") : QStringLiteral("one-to-one"))));
    }
}

}  // namespace

#include "conversation_page_test.moc"

// The chat window's tools and notices driven as a person does, against the local service in the
// real web engine: anonymous mode and its notice, the mention bar, a large pasted picture that
// goes scaled and opens from the page, pictures of the service opened each as a private file of
// its own and a picture too large to open, and a send still on its way when its window goes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <set>

#include "api/send_message.h"
#include "platform/directories.h"
#include "platform/private_files.h"
#include "storage/user_store.h"
#include "tests/support/box_catcher.h"
#include "tests/support/build_tree.h"
#include "tests/support/chat_window.h"
#include "tests/support/menu_picker.h"
#include "tests/support/raw_http_server.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/chat_style.h"
#include "ui/chat/dlg_msg_group.h"
#include "ui/chat/draft_book.h"
#include "ui/chat/emoticon_picker.h"
#include "ui/chat/picture_open.h"
#include "ui/chat/sends_in_flight.h"

namespace {

using lumeno::test::BoxCatcher;
using lumeno::test::ChatWindowTest;
using lumeno::test::PumpUntil;

// Stands in for the desktop's viewer: records the files it is asked to open.
class ViewerStandIn : public QObject {
    Q_OBJECT
  public:
    ViewerStandIn() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~ViewerStandIn() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    std::vector<QUrl> opened;
  public Q_SLOTS:
    void Open(const QUrl& url) { opened.push_back(url); }
};

mode_t ModeOf(const QString& path) {
    struct stat info {};
    ::lstat(path.toLocal8Bit().constData(), &info);
    return info.st_mode & 07777;
}

// The service's copy of a message the account sent into the conversation: the first that
// `matches`, or null.
template <typename Matches>
const MessageRecord* MineWhere(std::int32_t conversationId, Matches matches) {
    const MessageIndexEntry* index = CDBMsgDlg::Instance().FindIndexEntry(conversationId);
    if (!index) return nullptr;
    for (std::int32_t id : index->ids) {
        const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(id);
        if (message && message->is_me && matches(*message)) return message;
    }
    return nullptr;
}

// The input box is as high as the lines its text takes as the person sees them: a paragraph wider
// than the box counts each wrapped line, up to three, and the box shrinks again as the text
// goes. An emoticon keeps the box as high as its line; a photo makes it as high as three lines.
TEST_F(ChatWindowTest, TheInputBoxGrowsWithTheLinesItShowsUpToThree) {
    SignInDemo();
    auto window = Open(BusiestConversation());
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    CChatInput* box = window->Input();
    box->setFocus();
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    const int one = box->height();
    const int step = chat_style::kInputLineHeight;
    // Text as wide as `boxes` times the box: it wraps into that many lines, rounded up.
    const auto wide = [&](double boxes) {
        const QFontMetrics metrics(box->font());
        QString text;
        while (metrics.horizontalAdvance(text) < boxes * box->viewport()->width())
            text += QStringLiteral("周末一起去爬山吗");
        return text;
    };
    const auto typeOnly = [&](const QString& text) {
        box->clear();
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QApplication::sendEvent(box, &typed);
        PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    };
    const auto heightIs = [&](int expected) {
        return PumpUntil([&] { return box->height() == expected; }, std::chrono::seconds(2));
    };
    typeOnly(QStringLiteral("好的"));
    EXPECT_TRUE(heightIs(one));
    typeOnly(wide(1.5));
    EXPECT_EQ(box->document()->blockCount(), 1) << "one paragraph";
    EXPECT_TRUE(heightIs(one + step)) << box->height() << " for two wrapped lines";
    typeOnly(wide(2.5));
    EXPECT_TRUE(heightIs(one + 2 * step)) << box->height() << " for three";
    typeOnly(wide(6.5));
    EXPECT_TRUE(heightIs(one + 2 * step)) << box->height() << " at most three";
    typeOnly(QStringLiteral("好的"));
    EXPECT_TRUE(heightIs(one)) << box->height() << " back to one";

    // An emoticon from the picker, after the text: still one line.
    CDlgExpression& picker = CDlgExpression::Instance();
    picker.ShowPicker(*window, window->GetWindowRect().ToQRect());
    ASSERT_TRUE(PumpUntil([&] { return picker.IsWindowVisible(); }));
    QTest::keyClick(picker.Widget(), Qt::Key_Right);
    QTest::keyClick(picker.Widget(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return box->Pictures().size() == 1; }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(box->height(), one) << "an emoticon is as high as its line";
    // A photo stands three lines high.
    box->InsertPicture(QString::fromUtf8(lumeno::test::build::SkinDir()) +
                           QStringLiteral("/main_icon_default.png"),
                       false);
    EXPECT_TRUE(heightIs(one + 2 * step)) << box->height() << " with a photo";
    window->DestroyWindow();
}

TEST_F(ChatWindowTest, AnonymousModeInAGroupDarkensTheBoxAndSendsWithoutAName) {
    SignInDemo();
    const std::int32_t group = ConversationNamed("产品研发群");
    ASSERT_NE(group, 0);
    auto window = Open(group);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    ASSERT_TRUE(window->OffersAnonymity());
    const auto boxColour = [&] {
        const QImage shot = window->Widget()->grab().toImage();
        return shot.pixelColor(window->ClientOrigin() +
                               QPoint(3, window->GetClientRect().bottom - 3));
    };
    EXPECT_NE(boxColour(), QColor(53, 53, 53));

    BoxCatcher boxes;
    ASSERT_TRUE(ClickElement(*window, QStringLiteral("匿名模式")));
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1; }));
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("你已经进入匿名模式，现在发言将不会显示"));
    EXPECT_EQ(boxes.boxes[0].buttons, std::vector<QString>{QStringLiteral("我知道了")});
    ASSERT_TRUE(window->Anonymous());
    EXPECT_EQ(boxColour(), QColor(53, 53, 53));
    ASSERT_TRUE(PumpUntil([&] { return Rows(*window) > 0; }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(600));
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    window->Widget()->grab().save((QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                   QStringLiteral("/conversation-anonymous.png")));

    // What is written now goes out anonymously: the service's copy carries no name.
    const QString text = QStringLiteral("匿名说一句：需求改得太频繁了");
    TypeAndSend(*window, text);
    ASSERT_TRUE(PumpUntil([&] { return window->Outstanding().empty(); }, std::chrono::seconds(30)));
    const MessageRecord* sent = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        sent = MineWhere(
            group, [&](const MessageRecord& m) { return QString::fromStdString(m.text) == text; });
        return sent != nullptr;
    }));
    EXPECT_EQ(sent->anonym, 1);

    // Off again, and on a second time without the box.
    ASSERT_TRUE(ClickElement(*window, QStringLiteral("匿名模式")));
    ASSERT_TRUE(PumpUntil([&] { return !window->Anonymous(); }));
    EXPECT_NE(boxColour(), QColor(53, 53, 53));
    ASSERT_TRUE(ClickElement(*window, QStringLiteral("匿名模式")));
    ASSERT_TRUE(PumpUntil([&] { return window->Anonymous(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    window->DestroyWindow();

    // A one-to-one conversation offers no anonymous mode.
    auto single = Open(BusiestConversation());
    EXPECT_FALSE(single->OffersAnonymity());
    bool offered = false;
    for (const UiNode& node : single->Describe())
        offered = offered || node.name == QStringLiteral("匿名模式");
    EXPECT_FALSE(offered);
    single->DestroyWindow();
}

TEST_F(ChatWindowTest, WritingAnonymouslyToOnePersonShowsTheNoticeUntilItIsClosed) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    ASSERT_NE(conversation, nullptr);
    conversation->type = 1;
    conversation->me_is_anony = 1;
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    ASSERT_TRUE(window->AnonymousBar().IsWindowVisible());
    // The page starts below the notice.
    EXPECT_EQ(VWindow(window->Page().Handle()).GetWindowRect().top -
                  window->AnonymousBar().GetWindowRect().top,
              CDlgMessage::kNoticeBarHeight);
    ASSERT_TRUE(ClickElement(window->AnonymousBar(), QStringLiteral("关闭")));
    ASSERT_TRUE(PumpUntil([&] { return !window->AnonymousBar().IsWindowVisible(); }));
    EXPECT_EQ(VWindow(window->Page().Handle()).GetWindowRect().top,
              window->AnonymousBar().GetWindowRect().top);
    window->DestroyWindow();
}

TEST_F(ChatWindowTest, AMentionWhileReadingFurtherUpShowsTheMentionBar) {
    SignInDemo();
    const std::int32_t group = ConversationNamed("产品研发群");
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(group);
    ASSERT_NE(conversation, nullptr);
    const std::string peer = PeerOf(*conversation);
    auto window = Open(group);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Rows(*window) > 0; }));
    // Enough of the conversation to read further up.
    const auto room = [&] {
        return Eval(*window, QStringLiteral("document.documentElement.scrollHeight-"
                                            "document.documentElement.clientHeight"))
            .toInt();
    };
    for (int i = 0; room() < 400 && i < 12; ++i) {
        service_.Get("/admin/send?mid=" + std::to_string(group) + "&from=" + peer + "&text=" +
                     QUrl::toPercentEncoding(QStringLiteral("进度同步 %1").arg(i)).toStdString());
        const int rows = Rows(*window);
        PumpUntil([&] { return Rows(*window) > rows; }, std::chrono::seconds(20));
    }
    ASSERT_GE(room(), 400);
    // The reader goes to the top (the page hears of it at once, as of a wheel turn).
    Eval(*window, QStringLiteral("document.documentElement.scrollTop=0;"
                                 "window.dispatchEvent(new Event('scroll'))"));
    window->Page().ReadScroll();
    ASSERT_TRUE(PumpUntil([&] { return window->Page().ScrolledUp(); }));

    const QString text = QStringLiteral("@林晓 评审材料周五前发我");
    service_.Get("/admin/send?mid=" + std::to_string(group) + "&from=" + peer +
                 "&at=" + CDBLogin::Instance().Record().qxid +
                 "&text=" + QUrl::toPercentEncoding(text).toStdString());
    ASSERT_TRUE(PumpUntil([&] { return window->MentionBar().IsWindowVisible(); },
                          std::chrono::seconds(30)));
    EXPECT_TRUE(window->MentionBar().Title().startsWith(QStringLiteral("[有人@我]")));
    EXPECT_EQ(window->MentionBar().Body(), text);
    EXPECT_TRUE(window->NewMessageBar().IsWindowVisible());
    // A message that does not mention the account brings no mention bar.
    window->MentionBar().Hide(false);
    service_.Get("/admin/send?mid=" + std::to_string(group) + "&from=" + peer +
                 "&text=" + QUrl::toPercentEncoding(QStringLiteral("大家辛苦了")).toStdString());
    ASSERT_TRUE(
        PumpUntil([&] { return window->NewMessageBar().Body() == QStringLiteral("大家辛苦了"); },
                  std::chrono::seconds(30)));
    EXPECT_FALSE(window->MentionBar().IsWindowVisible());

    // Shown again and clicked: the page goes to where the mention came in.
    service_.Get("/admin/send?mid=" + std::to_string(group) + "&from=" + peer +
                 "&at=" + CDBLogin::Instance().Record().qxid +
                 "&text=" + QUrl::toPercentEncoding(text).toStdString());
    ASSERT_TRUE(PumpUntil([&] { return window->MentionBar().IsWindowVisible(); },
                          std::chrono::seconds(30)));
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    QWidget* bar = window->MentionBar().Widget();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 3, bar->height() / 2));
    ASSERT_TRUE(PumpUntil([&] { return !window->MentionBar().IsWindowVisible(); }));
    EXPECT_TRUE(PumpUntil([&] {
        window->Page().ReadScroll();
        return !window->Page().ScrolledUp();
    }));
    window->DestroyWindow();
}

TEST_F(ChatWindowTest, ALargePastedPictureGoesScaledShowsOnceAndOpensFromThePage) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    QImage large(3000, 2000, QImage::Format_RGB32);
    QPainter painter(&large);
    painter.fillRect(large.rect(), QColor(40, 120, 200));
    painter.fillRect(QRect(300, 300, 1200, 900), QColor(240, 200, 60));
    painter.end();
    QGuiApplication::clipboard()->setImage(large);
    window->Input()->setFocus();
    QTest::keyClick(window->Input(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(window->Input()->Pictures().size(), 1u);
    const auto pictures = [&] {
        return Eval(*window, QStringLiteral("document.querySelectorAll('.bubble-picture').length"))
            .toInt();
    };
    const int before = pictures();
    QTest::keyClick(window->Input(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return pictures() == before + 1; }));
    EXPECT_TRUE(window->Input()->Blank()) << "what was sent stays in the box";
    ASSERT_TRUE(PumpUntil([&] { return window->Outstanding().empty(); }, std::chrono::seconds(60)));
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(pictures(), before + 1);

    // The service holds the scaled picture, not the one from the clipboard.
    const MessageRecord* sent = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        sent = MineWhere(id, [](const MessageRecord& m) {
            return m.type == 2 && m.file.xsize == kPictureSizeLimit;
        });
        return sent != nullptr;
    }));
    EXPECT_EQ(sent->file.xsize, kPictureSizeLimit);
    EXPECT_EQ(sent->file.ysize, kPictureSizeLimit * 2 / 3);
    const std::string body = service_.Get(
        QUrl(QString::fromStdString(sent->file.url)).path(QUrl::FullyEncoded).toStdString());
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(body)).size(),
              QSize(kPictureSizeLimit, kPictureSizeLimit * 2 / 3));

    // A click on it in the page opens the service's copy in the desktop's viewer.
    ViewerStandIn viewer;
    ASSERT_TRUE(
        ClickInPage(*window, QStringLiteral(".msg[data-id=\"%1\"] .bubble-picture").arg(sent->id)));
    ASSERT_TRUE(PumpUntil([&] { return !viewer.opened.empty(); }, std::chrono::seconds(20)));
    EXPECT_EQ(QImageReader(viewer.opened[0].toLocalFile()).size(),
              QSize(kPictureSizeLimit, kPictureSizeLimit * 2 / 3));
    window->DestroyWindow();
}

TEST_F(ChatWindowTest, OnlyWhatReadsAsAPictureIsHandedToTheViewer) {
    QTemporaryDir folder;
    ViewerStandIn viewer;
    BoxCatcher boxes;
    FlowHandle flow;
    // A picture on disk, its name with a space written as the page writes it.
    const QString photo = folder.filePath(QStringLiteral("my photo.png"));
    QImage(20, 10, QImage::Format_RGB32).save(photo);
    EXPECT_EQ(OpenPagePicture(QUrl::fromLocalFile(photo).toString(QUrl::FullyEncoded).toStdString(),
                              flow, nullptr),
              PictureOpen::kOpened);
    ASSERT_EQ(viewer.opened.size(), 1u);
    EXPECT_EQ(viewer.opened[0].toLocalFile(), photo);
    // Something else named like a picture is not opened, and the reader is told.
    const QString fake = folder.filePath(QStringLiteral("fake.png"));
    QFile file(fake);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho hello\n");
    file.close();
    EXPECT_EQ(OpenPagePicture(fake.toStdString(), flow, nullptr), PictureOpen::kNotAPicture);
    // A download that is not a picture is not opened either.
    lumeno::test::RawHttpServer server([](const std::string&) {
        return lumeno::test::ScriptedAnswer{
            lumeno::test::HttpAnswer(200, "<html><script>alert(1)</script></html>", "image/png")};
    });
    const std::string address = "http://127.0.0.1:" + std::to_string(server.Port()) + "/p.png";
    EXPECT_EQ(OpenPagePicture(address, flow, nullptr), PictureOpen::kDownloading);
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2; }, std::chrono::seconds(20)));
    EXPECT_EQ(boxes.boxes[0].text, QString::fromUtf8(kPictureNotOpened));
    EXPECT_EQ(boxes.boxes[1].text, QString::fromUtf8(kPictureNotOpened));
    EXPECT_EQ(viewer.opened.size(), 1u);
    // Nor is anything that is neither a file nor a web address.
    EXPECT_EQ(OpenPagePicture("javascript:alert(1)", flow, nullptr), PictureOpen::kUnknownSource);
}

// Pictures of the service opened one after the other: each is a private file of its own, named
// for its format (not for what the server claims), and the first still holds its picture after
// the second came, as the viewer may read it late.
TEST_F(ChatWindowTest, EachOpenedPictureIsAPrivateFileOfItsOwn) {
    ViewerStandIn viewer;
    BoxCatcher boxes;
    FlowHandle flow;
    const auto encoded = [](const QColor& colour, const QSize& size, const char* format) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes.toStdString();
    };
    const std::string red = encoded(QColor(220, 30, 30), QSize(20, 10), "PNG");
    const std::string blue = encoded(QColor(30, 30, 220), QSize(30, 15), "JPEG");
    lumeno::test::RawHttpServer server([&](const std::string& request) {
        const bool first = request.rfind("GET /first", 0) == 0;
        return lumeno::test::ScriptedAnswer{
            lumeno::test::HttpAnswer(200, first ? red : blue, "image/png")};
    });
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
    EXPECT_EQ(OpenPagePicture(base + "/first.png", flow, nullptr), PictureOpen::kDownloading);
    ASSERT_TRUE(PumpUntil([&] { return viewer.opened.size() == 1; }, std::chrono::seconds(20)));
    EXPECT_EQ(OpenPagePicture(base + "/second.png", flow, nullptr), PictureOpen::kDownloading);
    ASSERT_TRUE(PumpUntil([&] { return viewer.opened.size() == 2; }, std::chrono::seconds(20)));
    EXPECT_TRUE(boxes.boxes.empty());

    const QString first = viewer.opened[0].toLocalFile();
    const QString second = viewer.opened[1].toLocalFile();
    EXPECT_NE(first.toStdString(), second.toStdString());
    EXPECT_TRUE(first.endsWith(QStringLiteral(".png"))) << first.toStdString();
    EXPECT_TRUE(second.endsWith(QStringLiteral(".jpg"))) << second.toStdString();
    const QImage firstPicture(first), secondPicture(second);
    EXPECT_EQ(firstPicture.size(), QSize(20, 10));
    EXPECT_EQ(firstPicture.pixelColor(5, 5), QColor(220, 30, 30));
    EXPECT_EQ(secondPicture.size(), QSize(30, 15));
    EXPECT_LT(secondPicture.pixelColor(5, 5).red(), 80);
    const QString folder = QFileInfo(first).path();
    EXPECT_EQ(QFileInfo(second).path(), folder);
    EXPECT_TRUE(folder.startsWith(QString::fromStdString(platform::DataDirectory()) + "/"));
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(first), 0600u);
    EXPECT_EQ(ModeOf(second), 0600u);
}

// A picture of the service over 32 MiB is not opened, whether the server says its length first
// or not: the reader is told why, and nothing is kept or handed to the viewer.
TEST_F(ChatWindowTest, APictureOverThirtyTwoMegabytesIsRefusedWithAMessage) {
    ViewerStandIn viewer;
    BoxCatcher boxes;
    FlowHandle flow;
    QImage small(20, 10, QImage::Format_RGB32);
    small.fill(QColor(200, 120, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "PNG");
    // Still a picture to any reader: what follows its end is not read.
    const std::string large = bytes.toStdString() + std::string(33u * 1024 * 1024, '\0');
    lumeno::test::RawHttpServer server([&](const std::string& request) {
        if (request.rfind("GET /announced", 0) == 0)
            return lumeno::test::ScriptedAnswer{lumeno::test::HttpAnswer(200, large, "image/png")};
        return lumeno::test::ScriptedAnswer{
            "HTTP/1.0 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n\r\n" + large};
    });
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
    EXPECT_EQ(OpenPagePicture(base + "/announced.png", flow, nullptr), PictureOpen::kDownloading);
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1; }, std::chrono::seconds(20)));
    EXPECT_EQ(OpenPagePicture(base + "/unannounced.png", flow, nullptr), PictureOpen::kDownloading);
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2; }, std::chrono::seconds(20)));
    for (const auto& box : boxes.boxes)
        EXPECT_EQ(box.text, QString::fromUtf8(kPictureTooLarge));
    EXPECT_TRUE(viewer.opened.empty());
    EXPECT_TRUE(QDir(QString::fromStdString(OpenedPictureFolder()))
                    .entryList(QDir::Files | QDir::Hidden)
                    .isEmpty());
    EXPECT_EQ(platform::FileSize(platform::JoinPath(platform::DataDirectory(), "temp.png")), -1);
}

// A contact the signed-in account has no conversation with yet; empty when there is none.
std::string ContactNeverWrittenTo() {
    std::set<std::string> talkedTo;
    for (const auto& [id, entry] : CDBMsgDlg::Instance().Index()) {
        const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
        if (conversation && conversation->type != 3 && conversation->member_ids.size() == 1)
            talkedTo.insert(conversation->member_ids[0]);
    }
    for (const auto& [letter, users] : CDBUser::Instance().ContactIndex())
        for (const UserRecord* user : users)
            if (!talkedTo.count(user->qxid)) return user->qxid;
    return {};
}

// A conversation started with a contact the account has never written to opens on an empty page,
// and the contact's first message shows in it.
TEST_F(ChatWindowTest, AConversationStartedWithANewContactOpensEmptyAndShowsTheFirstMessage) {
    SignInDemo();
    const std::string contact = ContactNeverWrittenTo();
    ASSERT_FALSE(contact.empty());

    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    ASSERT_TRUE(group.Create());
    group.StartConversation(contact);
    ASSERT_TRUE(PumpUntil([&] { return group.Selected() != 0; }, std::chrono::seconds(30)));
    CDlgMessage* chat = group.Chat(group.Selected());
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return chat->PageReady(); }));
    EXPECT_EQ(Rows(*chat), 0);
    const QString text = QStringLiteral("你好，看到你的简历了");
    service_.Get("/admin/send?mid=" + std::to_string(group.Selected()) + "&from=" + contact +
                 "&text=" + QUrl::toPercentEncoding(text).toStdString());
    EXPECT_TRUE(
        PumpUntil([&] { return RowsWithText(*chat, text) == 1; }, std::chrono::seconds(30)));
    CDlgMsgGroup::DestroyInstance();
}

// A text sent before the first page has come: the page that comes holds the service's copy
// already, and the item shown at once under its local number goes, leaving one item that is not
// "sending" and no send waiting for its copy.
TEST_F(ChatWindowTest, ASendWhoseCopyTheFirstPageBringsPairsAndShowsOnce) {
    SignInDemo();
    const std::string contact = ContactNeverWrittenTo();
    ASSERT_FALSE(contact.empty());
    // The new conversation's first page comes from the service, late: the send, its copy and the
    // copy's pairing are all done before it.
    service_.Get("/admin/fault?kind=delay&ms=2500&path=/lumeno/msg/v3/get_message&count=1");

    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    ASSERT_TRUE(group.Create());
    group.StartConversation(contact);
    ASSERT_TRUE(PumpUntil([&] { return group.Selected() != 0; }, std::chrono::seconds(30)));
    CDlgMessage* chat = group.Chat(group.Selected());
    ASSERT_NE(chat, nullptr);
    ASSERT_FALSE(chat->PageReady());
    const QString text = QStringLiteral("先发出的一句");
    QInputMethodEvent typed;
    typed.setCommitString(text);
    QApplication::sendEvent(chat->Input(), &typed);
    chat->Send();
    ASSERT_EQ(chat->Outstanding().size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return chat->PageReady(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(PumpUntil([&] { return chat->Outstanding().empty(); }, std::chrono::seconds(10)))
        << "the send never paired with the copy the page holds";
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(RowsWithText(*chat, text), 1);
    CDlgMsgGroup::DestroyInstance();
}

// The page's renderer ends under an open conversation (it crashed, or was killed): the window says
// so where the page was, and the client goes on; another conversation still opens.
TEST_F(ChatWindowTest, AConversationPageWhoseRendererEndsSaysSoAndTheClientGoesOn) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    EXPECT_FALSE(window->PageGone());
    // The engine's own way to make a renderer crash.
    auto* view = qobject_cast<QWebEngineView*>(window->Page().NativeWidget());
    ASSERT_NE(view, nullptr);
    view->page()->load(QUrl(QStringLiteral("chrome://crash")));
    ASSERT_TRUE(PumpUntil([&] { return window->PageGone(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(Shows(*window, QString::fromUtf8(chat_style::kPageGone)));
    ASSERT_NE(window->Page().NativeWidget(), nullptr);
    EXPECT_FALSE(window->Page().NativeWidget()->isVisible());
    window->DestroyWindow();
    window.reset();
    EXPECT_TRUE(Main().SignedIn());

    auto again = Open(id);
    EXPECT_TRUE(PumpUntil([&] { return again->PageReady() && Rows(*again) > 0; }));
    EXPECT_FALSE(again->PageGone());
    again->DestroyWindow();
}

// The right button's edit menu: cut and paste bring text and pictures back as they were, while
// other programs get the text alone.
TEST_F(ChatWindowTest, TheEditMenuCutsAndPastesTextAndPictures) {
    SignInDemo();
    auto window = Open(BusiestConversation());
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    CChatInput& box = *window->Input();
    const auto menu = [&](const QString& choose) {
        auto picker = std::make_unique<lumeno::test::MenuPicker>(choose);
        const QPoint at = box.viewport()->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, box.viewport()->mapToGlobal(at));
        QApplication::sendEvent(box.viewport(), &event);
        return picker;
    };
    // Nothing selected and nothing to paste: only select all is offered.
    QGuiApplication::clipboard()->clear();
    const auto empty = menu(QString());
    EXPECT_EQ(empty->texts,
              (std::vector<QString>{QStringLiteral("剪切(&T)"), QStringLiteral("复制(&C)"),
                                    QStringLiteral("粘贴(&P)"), QStringLiteral("全部选择(&A)")}));
    EXPECT_EQ(empty->enabled, (std::vector<bool>{false, false, false, true}));

    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(QColor(90, 160, 90));
    QGuiApplication::clipboard()->setImage(photo);
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("周报 / 初稿"));
    QApplication::sendEvent(&box, &typed);
    const std::string written = box.Serialized();
    ASSERT_EQ(box.Pictures().size(), 1u);

    menu(QStringLiteral("全部选择(&A)"));
    ASSERT_TRUE(box.textCursor().hasSelection());
    menu(QStringLiteral("剪切(&T)"));
    EXPECT_TRUE(box.Blank());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("周报 / 初稿"));
    menu(QStringLiteral("粘贴(&P)"));
    EXPECT_EQ(box.Serialized(), written);
    EXPECT_EQ(box.Pictures().size(), 1u);
    window->DestroyWindow();
}

// A send still on its way when its window goes: when it fails, its text is in the box the next
// time the conversation opens, whether that window opened before or after the failure.
TEST_F(ChatWindowTest, ASendStillOnItsWayWhenTheWindowGoesIsNotLost) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    const std::string account = CDBLogin::Instance().Record().qxid;
    service_.Get("/admin/fault?kind=http500&path=/lumeno/msg/v3/add_dialogue&count=2");
    {
        auto window = Open(id);
        ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
        // Sent and gone at once, before the service can answer.
        QInputMethodEvent typed;
        typed.setCommitString(QStringLiteral("路上的第一条 / 1"));
        QApplication::sendEvent(window->Input(), &typed);
        window->Send();
        ASSERT_EQ(window->Outstanding().size(), 1u);
        window->DestroyWindow();
    }
    ASSERT_TRUE(
        PumpUntil([&] { return SendsInFlight::Instance().Held() == 0; }, std::chrono::seconds(30)));
    auto again = Open(id);
    EXPECT_EQ(again->Input()->toPlainText(), QStringLiteral("路上的第一条 / 1"));

    // This time the conversation opens again before the answer comes: the new window takes it.
    again->Send();
    ASSERT_EQ(again->Outstanding().size(), 1u);
    again->DestroyWindow();
    again.reset();
    ASSERT_EQ(SendsInFlight::Instance().Held(), 1u);
    auto third = Open(id);
    EXPECT_EQ(SendsInFlight::Instance().Held(), 0u);
    EXPECT_EQ(third->Outstanding().size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return third->Outstanding().empty(); }, std::chrono::seconds(30)));
    EXPECT_EQ(third->Input()->toPlainText(), QStringLiteral("路上的第一条 / 1"));
    third->DestroyWindow();
    third.reset();
    EXPECT_EQ(DraftBook::Of(account).Get(id), "路上的第一条 // 1");
}

}  // namespace

#include "chat_tools_test.moc"

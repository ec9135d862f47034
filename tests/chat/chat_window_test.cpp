// A conversation opened in its chat window, signed in to the local service, with the real web
// engine: the newest messages and older history page by page, a text sent and paired with the
// service's copy, a message from another account, and a send that fails.

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <set>

#include "api/conversation_sync.h"
#include "api/group_chat.h"
#include "api/login.h"
#include "platform/private_files.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/chat_window.h"
#include "tests/support/screenshot.h"
#include "toolkit/skin/skin_directory.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"
#include "ui/chat/dlg_msg_group.h"
#include "ui/chat/draft_book.h"
#include "ui/chat/emoticon_picker.h"
#include "ui/prompts/dlg_suggest.h"

namespace {

using lumeno::test::PumpUntil;

using lumeno::test::ChatWindowTest;

TEST_F(ChatWindowTest, OpensOnTheNewestMessagesAndPagesBackToTheFirst) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    ASSERT_NE(id, 0);
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Rows(*window) > 0; }));
    const int first = Rows(*window);
    EXPECT_GE(first, 1);
    EXPECT_LE(first, 10);
    // "More" until there is nothing older: every message of the conversation is shown once.
    for (int page = 0; page < 20; ++page) {
        if (Eval(*window, QStringLiteral("document.getElementById('more').hidden")).toBool()) break;
        const int before = Rows(*window);
        Eval(*window, QStringLiteral("document.getElementById('more-button').click()"));
        PumpUntil([&] {
            return Rows(*window) > before ||
                   Eval(*window, QStringLiteral("document.getElementById('more').hidden")).toBool();
        });
    }
    EXPECT_TRUE(Eval(*window, QStringLiteral("document.getElementById('more').hidden")).toBool());
    const MessageIndexEntry* index = CDBMsgDlg::Instance().FindIndexEntry(id);
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(Rows(*window), static_cast<int>(index->ids.size()));
    EXPECT_EQ(Eval(*window, QStringLiteral("new Set(Array.from(document.querySelectorAll("
                                           "'.row.msg')).map(function(r){return r.dataset.id;}))"
                                           ".size"))
                  .toInt(),
              Rows(*window));
    window->DestroyWindow();
}

TEST_F(ChatWindowTest, ASentTextShowsAtOnceAndIsPairedWithTheServiceCopy) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Rows(*window) > 0; }));
    const QString text = QStringLiteral("周三下午见 / see you");
    TypeAndSend(*window, text);
    ASSERT_TRUE(PumpUntil([&] { return RowsWithText(*window, text) == 1; }));
    EXPECT_TRUE(window->Input()->toPlainText().isEmpty());
    // The service's copy comes back and takes the place of the one shown: one item, not two.
    ASSERT_TRUE(PumpUntil([&] { return window->Outstanding().empty(); }, std::chrono::seconds(30)));
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(RowsWithText(*window, text), 1);
    window->DestroyWindow();
}

TEST_F(ChatWindowTest, AMessageFromAnotherAccountAppearsWhileTheWindowIsOpen) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    ASSERT_NE(conversation, nullptr);
    const std::string peer = PeerOf(*conversation);
    ASSERT_FALSE(peer.empty());
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    const QString text = QStringLiteral("刚刚发来的一条");
    service_.Get("/admin/send?mid=" + std::to_string(id) + "&from=" + peer +
                 "&text=" + QUrl::toPercentEncoding(text).toStdString());
    EXPECT_TRUE(
        PumpUntil([&] { return RowsWithText(*window, text) == 1; }, std::chrono::seconds(30)));
    window->DestroyWindow();
}

TEST_F(ChatWindowTest, AFailedSendSaysWhyAndGivesTheTextBack) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }));
    service_.Get("/admin/fault?kind=http500&path=/lumeno/msg/v3/add_dialogue&count=1");
    const QString text = QStringLiteral("这条会失败");
    TypeAndSend(*window, text);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return Eval(*window, QStringLiteral("document.querySelectorAll('.send-failed').length"))
                       .toInt() == 1;
        },
        std::chrono::seconds(30)));
    EXPECT_FALSE(Eval(*window, QStringLiteral("document.querySelector('.send-failed').textContent"))
                     .toString()
                     .trimmed()
                     .isEmpty());
    EXPECT_EQ(window->Input()->toPlainText(), text);
    EXPECT_TRUE(window->Outstanding().empty());
    // Sent again, it goes.
    QTest::keyClick(window->Input(), Qt::Key_Return);
    EXPECT_TRUE(
        PumpUntil([&] { return window->Outstanding().empty() && RowsWithText(*window, text) == 2; },
                  std::chrono::seconds(30)));
    window->DestroyWindow();
}

// In a group: "@" offers the members, the keyboard picks one while the box keeps the keyboard,
// an emoticon is chosen from the picker, and the message goes with the mention and the code.
TEST_F(ChatWindowTest, AMentionAndAnEmoticonGoOutWithTheText) {
    SignInDemo();
    const std::int32_t group = ConversationNamed("产品研发群");
    ASSERT_NE(group, 0);
    auto window = Open(group);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Rows(*window) > 0; }));
    window->Input()->setFocus();
    QInputMethodEvent at;
    at.setCommitString(QStringLiteral("请 @"));
    QApplication::sendEvent(window->Input(), &at);
    ASSERT_TRUE(PumpUntil([] { return CDlgSuggest::Instance().IsWindowVisible(); }));
    EXPECT_GE(CDlgSuggest::Instance().RowCount(), 2);
    QTest::keyClick(window->Input(), Qt::Key_Down);
    QTest::keyClick(window->Input(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return !CDlgSuggest::Instance().IsWindowVisible(); }));
    const QString name = CDlgSuggest::Instance().ChosenName();
    ASSERT_FALSE(name.isEmpty());
    EXPECT_EQ(window->Input()->toPlainText(), QStringLiteral("请 @") + name + QLatin1Char(' '));
    EXPECT_TRUE(window->Outstanding().empty()) << "Enter in the picker sent the message";

    // The emoticon picker: the keyboard moves to the first face and chooses it.
    CDlgExpression& picker = CDlgExpression::Instance();
    picker.ShowPicker(*window, window->GetWindowRect().ToQRect());
    ASSERT_TRUE(PumpUntil([&] { return picker.IsWindowVisible(); }));
    QTest::keyClick(picker.Widget(), Qt::Key_Right);
    QTest::keyClick(picker.Widget(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return window->Input()->Pictures().size() == 1; }));
    ASSERT_NE(picker.Chosen(), nullptr);
    const std::string code = picker.Chosen()->code;

    const auto mine = [&] {
        return Eval(*window, QStringLiteral("document.querySelectorAll('.row.msg-me').length"))
            .toInt();
    };
    const int before = mine();
    window->Input()->setFocus();
    QTest::keyClick(window->Input(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return mine() == before + 1; }));
    ASSERT_TRUE(PumpUntil([&] { return window->Outstanding().empty(); }, std::chrono::seconds(30)));
    // Paired with the service's copy, whose text holds the mention and the code.
    const QVariant mention = Eval(
        *window, QStringLiteral("Array.from(document.querySelectorAll('.msg-me .bubble-text'))"
                                ".filter(function(b){return b.querySelector('a[href*=atnameclick]')"
                                "&&b.querySelector('img');}).length"));
    EXPECT_GE(mention.toInt(), 1);
    bool sentWithCode = false;
    for (const auto& [id, entry] : CDBMsgDlg::Instance().Index()) {
        if (id != group) continue;
        for (std::int32_t messageId : entry.ids) {
            const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
            if (message && message->is_me && message->text.find(code) != std::string::npos &&
                message->text.find("@" + name.toStdString()) != std::string::npos)
                sentWithCode = true;
        }
    }
    EXPECT_TRUE(sentWithCode);
    window->DestroyWindow();
}

}  // namespace

namespace {

class ConversationWindowTest : public ChatWindowTest {
  protected:
    void TearDown() override {
        CDlgMsgGroup::DestroyInstance();
        ChatWindowTest::TearDown();
    }
    static std::vector<std::int32_t> Conversations(std::size_t count) {
        std::vector<std::int32_t> ids;
        for (std::int32_t id : CDBMsgDlg::Instance().Order()) {
            const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
            const MessageIndexEntry* index = CDBMsgDlg::Instance().FindIndexEntry(id);
            if (conversation && conversation->deleted != 1 && index && !index->ids.empty() &&
                ids.size() < count)
                ids.push_back(id);
        }
        return ids;
    }
};

// Conversations opened from the lists become tabs; a click on a tab switches to it; closing the
// selected one selects the next; with one left the column goes. The window with several tabs is
// the README's picture.
TEST_F(ConversationWindowTest, ConversationsOpenAsTabsSwitchAndClose) {
    SignInDemo();
    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    ASSERT_TRUE(group.Create());
    const std::vector<std::int32_t> ids = Conversations(3);
    ASSERT_EQ(ids.size(), 3u);
    OpenConversation(ids[2]);
    ASSERT_TRUE(PumpUntil([&] { return group.IsWindowVisible(); }));
    EXPECT_FALSE(group.ListShown());
    OpenConversation(ids[1]);
    OpenConversation(ids[0]);
    EXPECT_TRUE(group.ListShown());
    EXPECT_EQ(group.Selected(), ids[0]);
    EXPECT_EQ(group.TabOrder(), (std::vector<std::int32_t>{ids[0], ids[1], ids[2]}));
    EXPECT_TRUE(group.GetWindowText().endsWith(QStringLiteral("等3个会话")));
    CDlgMessage* chat = group.Chat(ids[0]);
    PumpUntil([] { return false; }, std::chrono::milliseconds(5000));
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return chat->PageReady() && Rows(*chat) > 0; }));

    // The second tab, clicked with the mouse.
    QWidget* list = nullptr;
    for (QWidget* child : group.Widget()->findChildren<QWidget*>()) {
        if (child->accessibleName().isEmpty() &&
            child->geometry().width() == CDlgMsgGroup::kListWidth)
            list = child;
    }
    ASSERT_NE(list, nullptr);
    const QPoint second(40, CDlgMsgGroup::kRowHeight + CDlgMsgGroup::kRowHeight / 2);
    QTest::mouseMove(list, second);
    QTest::mouseClick(list, Qt::LeftButton, {}, second);
    ASSERT_TRUE(PumpUntil([&] { return group.Selected() == ids[1]; }));
    EXPECT_TRUE(group.Chat(ids[1])->IsWindowVisible());
    EXPECT_FALSE(group.Chat(ids[0])->IsWindowVisible());
    ASSERT_TRUE(PumpUntil([&] { return group.Chat(ids[1])->PageReady(); }));
    PumpUntil([&] { return false; }, std::chrono::milliseconds(600));
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    // The same test runs again on a dense screen (QT_SCALE_FACTOR=2) for the 2x picture.
    const bool dense = group.Widget()->devicePixelRatioF() > 1;
    EXPECT_TRUE(
        group.Widget()->grab().save((QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                     QStringLiteral("/conversation-window%1.png"))
                                        .arg(dense ? QStringLiteral("@2x") : QString())));

    // Escape in the box closes the selected conversation; what was typed stays as its draft.
    CChatInput* box = group.Chat(ids[1])->Input();
    box->setFocus();
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("还没写完"));
    QApplication::sendEvent(box, &typed);
    QTest::keyClick(box, Qt::Key_Escape);
    ASSERT_TRUE(PumpUntil([&] { return group.TabOrder().size() == 2; }));
    EXPECT_EQ(DraftBook::Current().Get(ids[1]), "还没写完");
    EXPECT_EQ(group.TabOrder(), (std::vector<std::int32_t>{ids[0], ids[2]}));
    EXPECT_EQ(group.Selected(), ids[2]);
    group.CloseConversation(ids[2]);
    EXPECT_EQ(group.Selected(), ids[0]);
    EXPECT_FALSE(group.ListShown());
    CloseAllConversations();
    EXPECT_TRUE(group.TabOrder().empty());
    EXPECT_FALSE(group.IsWindowVisible());
}

// A message for a conversation that is not open opens its tab without taking the keyboard, asks
// for attention once and plays the sound once.
TEST_F(ConversationWindowTest, AMessageForAClosedConversationOpensATabQuietly) {
    SignInDemo();
    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    ASSERT_TRUE(group.Create());
    const std::int32_t id = BusiestConversation();
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    ASSERT_NE(conversation, nullptr);
    const std::string peer = PeerOf(*conversation);
    service_.Get("/admin/send?mid=" + std::to_string(id) + "&from=" + peer +
                 "&text=" + QUrl::toPercentEncoding(QStringLiteral("在吗？")).toStdString());
    ASSERT_TRUE(PumpUntil([&] { return group.Chat(id) != nullptr; }, std::chrono::seconds(30)));
    EXPECT_EQ(group.Alerts(), 1);
    EXPECT_EQ(group.SoundsPlayed(), 1);
    EXPECT_TRUE(group.IsIconic());
    ASSERT_TRUE(
        PumpUntil([&] { return RowsWithText(*group.Chat(id), QStringLiteral("在吗？")) == 1; }));
}

}  // namespace

namespace {

// Many unread messages: the window opens on the newest ten and a bar offers the rest; a click on
// the bar brings exactly the unread ones above.
TEST_F(ChatWindowTest, ManyUnreadMessagesOpenOnTheNewestWithABarForTheRest) {
    SignInDemo();
    const std::int32_t id = BusiestConversation();
    ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    const MessageIndexEntry* index = CDBMsgDlg::Instance().FindIndexEntry(id);
    ASSERT_TRUE(conversation && index);
    const int unread = std::min<int>(25, static_cast<int>(index->ids.size()));
    ASSERT_GE(unread, CDlgMessage::kUnreadBarFrom);
    conversation->badge = unread;
    auto window = Open(id);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady() && Rows(*window) == 10; }));
    CPageUnReadMsg& bar = window->UnreadBar();
    ASSERT_TRUE(PumpUntil([&] { return bar.IsWindowVisible(); }));
    EXPECT_TRUE(bar.Summary().contains(QString::number(unread))) << bar.Summary().toStdString();
    const QPoint inside(40, CDlgMessage::kNoticeBarHeight / 2);
    QTest::mouseMove(bar.Widget(), inside);
    QTest::mouseClick(bar.Widget(), Qt::LeftButton, {}, inside);
    EXPECT_TRUE(PumpUntil([&] { return Rows(*window) == unread; }));
    EXPECT_FALSE(bar.IsWindowVisible());
    window->DestroyWindow();
}

}  // namespace

namespace {

// The pickers as a person sees them over the conversation window: the mention picker under the
// caret after "@" in a group, and the emoticon picker beside the window. Pictures for the README.
TEST_F(ConversationWindowTest, ThePickersOpenOverTheConversationWindow) {
    SignInDemo();
    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    ASSERT_TRUE(group.Create());
    const std::int32_t team = ConversationNamed("产品研发群");
    ASSERT_NE(team, 0);
    OpenConversation(BusiestConversation());
    OpenConversation(team);
    group.MoveWindow(220, 40, 710, 520);
    CDlgMessage* chat = group.Chat(team);
    ASSERT_TRUE(chat && PumpUntil([&] { return chat->PageReady() && Rows(*chat) > 0; }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(500));
    // Each window drawn with its own shadow over a plain desktop, where it stands on the screen.
    const auto shoot = [&](const QString& name, QWidget* popup) {
        QWidget* frame = group.Widget();
        const QRect area = frame->frameGeometry().united(popup->frameGeometry());
        QImage desktop(area.size(), QImage::Format_ARGB32_Premultiplied);
        desktop.fill(QColor(226, 231, 238));
        QPainter painter(&desktop);
        painter.drawPixmap(frame->pos() - area.topLeft(), frame->grab());
        painter.drawPixmap(popup->pos() - area.topLeft(), popup->grab());
        painter.end();
        QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
        EXPECT_TRUE(desktop.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                 QStringLiteral("/") + name));
    };

    chat->Input()->setFocus();
    QInputMethodEvent at;
    at.setCommitString(QStringLiteral("@"));
    QApplication::sendEvent(chat->Input(), &at);
    ASSERT_TRUE(PumpUntil([] { return CDlgSuggest::Instance().IsWindowVisible(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    shoot(QStringLiteral("conversation-mention.png"), CDlgSuggest::Instance().Widget());
    QTest::keyClick(chat->Input(), Qt::Key_Escape);
    ASSERT_TRUE(PumpUntil([] { return !CDlgSuggest::Instance().IsWindowVisible(); }));

    CDlgExpression& picker = CDlgExpression::Instance();
    picker.ShowPicker(*chat, chat->GetWindowRect().ToQRect());
    ASSERT_TRUE(PumpUntil([&] { return picker.IsWindowVisible(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    shoot(QStringLiteral("conversation-emoticons.png"), picker.Widget());
}

}  // namespace

namespace {

// A draft survives switching tabs, closing the conversation and a restart of the client (the
// book read again from its file), and the file does not hold the words in the clear.
TEST_F(ConversationWindowTest, ADraftSurvivesSwitchingClosingAndARestart) {
    SignInDemo();
    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    ASSERT_TRUE(group.Create());
    const std::vector<std::int32_t> ids = Conversations(2);
    ASSERT_EQ(ids.size(), 2u);
    OpenConversation(ids[1]);
    OpenConversation(ids[0]);
    const QString draft = QStringLiteral("还没写完的一句话 / half");
    CChatInput* input = group.Chat(ids[0])->Input();
    input->setFocus();
    QInputMethodEvent typed;
    typed.setCommitString(draft);
    QApplication::sendEvent(input, &typed);

    group.SelectConversation(ids[1]);
    group.SelectConversation(ids[0]);
    EXPECT_EQ(group.Chat(ids[0])->Input()->toPlainText(), draft);

    group.CloseConversation(ids[0]);
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    OpenConversation(ids[0]);
    ASSERT_NE(group.Chat(ids[0]), nullptr);
    EXPECT_EQ(group.Chat(ids[0])->Input()->toPlainText(), draft);

    // As after a restart: nothing in memory, only the file.
    CloseAllConversations();
    PumpUntil([] { return false; }, std::chrono::milliseconds(200));
    const std::string file = DraftBook::Current().FilePath();
    DraftBook::ForgetLoaded();
    const std::optional<std::string> bytes = platform::ReadWholeFile(file);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->find("half"), std::string::npos) << "the draft is stored in the clear";
    OpenConversation(ids[0]);
    ASSERT_NE(group.Chat(ids[0]), nullptr);
    EXPECT_EQ(group.Chat(ids[0])->Input()->toPlainText(), draft);

    // Sent, it is no longer a draft.
    QTest::keyClick(group.Chat(ids[0])->Input(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return group.Chat(ids[0])->Input()->toPlainText().isEmpty(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(800));
    EXPECT_TRUE(DraftBook::Current().Get(ids[0]).empty());
}

// The tab column shows what the conversation list shows: the anonymous member's picture (which is
// also the window's icon while that tab is selected), the "V" mark after a verified peer's name,
// and the skin's badges, round for 1 to 9, wide for 10 to 99 and "99+" above. The window is the
// README's picture of the tabs.
TEST_F(ConversationWindowTest, TheTabColumnShowsAnonymityTheVerifiedMarkAndTheSkinsBadges) {
    SignInDemo();
    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    ASSERT_TRUE(group.Create());
    std::int32_t anonymous = 0;
    std::int32_t verified = 0;
    std::vector<std::int32_t> others;
    for (const std::int32_t id : Conversations(20)) {
        const ConversationRecord* c = CDBMsgDlg::Instance().FindConversation(id);
        if (!anonymous && c->type == 1 && c->me_is_anony == 0 && c->member_ids.size() == 1) {
            anonymous = id;
        } else if (!verified && c->type != 3 && c->peer_judge != 0) {
            verified = id;
        } else if (others.size() < 3) {
            others.push_back(id);
        }
    }
    ASSERT_NE(anonymous, 0);
    ASSERT_NE(verified, 0);
    ASSERT_EQ(others.size(), 3u);
    for (const std::int32_t id : others)
        OpenConversation(id);
    OpenConversation(verified);
    OpenConversation(anonymous);
    ASSERT_TRUE(
        PumpUntil([&] { return group.Chat(anonymous) && group.Chat(anonymous)->PageReady(); }));
    const int badges[] = {5, 12, 120};
    for (int i = 0; i < 3; ++i)
        CDBMsgDlg::Instance().FindConversation(others[static_cast<std::size_t>(i)])->badge =
            badges[i];
    PumpUntil([] { return false; }, std::chrono::milliseconds(600));

    QWidget* list = nullptr;
    for (QWidget* child : group.Widget()->findChildren<QWidget*>()) {
        if (child->accessibleName().isEmpty() &&
            child->geometry().width() == CDlgMsgGroup::kListWidth)
            list = child;
    }
    ASSERT_NE(list, nullptr);
    const QImage tabs = list->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal scale = list->devicePixelRatioF();
    const auto rowOf = [&](std::int32_t id) {
        const auto& order = group.TabOrder();
        return static_cast<int>(std::find(order.begin(), order.end(), id) - order.begin());
    };
    // The columns of the row whose pixels are near `colour`, within x from `left` to the end.
    const auto columnsOf = [&](int row, QColor colour, int left) {
        std::set<int> columns;
        const int top = qRound(row * CDlgMsgGroup::kRowHeight * scale);
        const int bottom = qRound((row + 1) * CDlgMsgGroup::kRowHeight * scale);
        for (int y = top; y < bottom && y < tabs.height(); ++y) {
            for (int x = qRound(left * scale); x < tabs.width(); ++x) {
                const QColor pixel = tabs.pixelColor(x, y);
                if (std::abs(pixel.red() - colour.red()) +
                        std::abs(pixel.green() - colour.green()) +
                        std::abs(pixel.blue() - colour.blue()) <
                    60)
                    columns.insert(x);
            }
        }
        return columns;
    };
    // The badge's red: round for 5, wide for 12 and for 120.
    const QColor badgeRed =
        QImage(SkinFilePath(QStringLiteral("message_notify_icon.png"))).pixelColor(9, 4);
    const std::size_t round = columnsOf(rowOf(others[0]), badgeRed, 100).size();
    const std::size_t wide = columnsOf(rowOf(others[1]), badgeRed, 100).size();
    EXPECT_GT(round, 0u) << "no badge on the tab with 5 unread";
    EXPECT_GT(wide, round + 6 * scale) << "the badge of 12 is not the wide one";
    EXPECT_GT(columnsOf(rowOf(others[2]), badgeRed, 100).size(), round + 6 * scale);
    EXPECT_TRUE(Shows(group, QStringLiteral("%1，5条未读")
                                 .arg(QString::fromStdString(
                                     CDBMsgDlg::Instance().FindConversation(others[0])->name))) ||
                group.RowName(rowOf(others[0])).endsWith(QStringLiteral("，5条未读")));
    EXPECT_TRUE(group.RowName(rowOf(others[1])).endsWith(QStringLiteral("，12条未读")));
    EXPECT_TRUE(group.RowName(rowOf(others[2])).endsWith(QStringLiteral("，99+条未读")));
    // The verified peer's mark, in its gold, right of the avatar.
    const QImage mark(SkinFilePath(QStringLiteral("icon_v1.png")));
    const QColor gold = mark.pixelColor(mark.width() / 2, mark.height() / 2);
    EXPECT_FALSE(columnsOf(rowOf(verified), gold, 48).empty()) << "no \"V\" mark";
    // The anonymous member's picture, not the default one, in the tab and as the window's icon.
    std::string path;
    ASSERT_TRUE(AnonymousAvatarPath(CDBMsgDlg::Instance().FindConversation(anonymous), path));
    // The picture of the skin in use, wherever the program is.
    const QString inSkin = QString::fromStdString(path.substr(path.rfind("qxstc-ie6fix/")));
    const QImage expected = QImage(SkinFilePath(inSkin))
                                .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_ARGB32);
    const QImage icon = group.Widget()->windowIcon().pixmap(32, 32).toImage().scaled(32, 32);
    const QImage tab = tabs.copy(QRect(QPoint(qRound(8 * scale),
                                              qRound((rowOf(anonymous) * CDlgMsgGroup::kRowHeight +
                                                      (CDlgMsgGroup::kRowHeight - 32) / 2) *
                                                     scale)),
                                       QSize(qRound(32 * scale), qRound(32 * scale))))
                           .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Compared where the picture is opaque: its transparent corners show what lies behind it.
    const auto close = [&](const QImage& shown) {
        int opaque = 0;
        int off = 0;
        for (int y = 2; y < 30; ++y) {
            for (int x = 2; x < 30; ++x) {
                if (qAlpha(expected.pixel(x, y)) < 250) continue;
                ++opaque;
                if (std::abs(qGray(shown.pixel(x, y)) - qGray(expected.pixel(x, y))) > 40) ++off;
            }
        }
        return opaque > 100 && off < opaque / 6;
    };
    EXPECT_TRUE(close(tab)) << "the anonymous tab does not show the anonymous picture";
    EXPECT_TRUE(close(icon)) << "the window's icon is not the anonymous picture";

    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    EXPECT_TRUE(lumeno::test::SaveAtBothScales(
        group.Widget(), QString::fromUtf8(lumeno::test::build::ScreenshotDir()),
        QStringLiteral("conversation-tabs")));
}

// A send still on its way when the account signs out, or when the client quits, is cancelled:
// what it carried waits in its conversation's draft, and is in the box when the conversation
// opens again.
TEST_F(ConversationWindowTest, SendsCancelledBySigningOutOrQuittingAreBackInTheirDrafts) {
    SignInDemo();
    const std::string account = MyUserId();
    const std::vector<std::int32_t> ids = Conversations(1);
    ASSERT_EQ(ids.size(), 1u);
    const std::int32_t id = ids[0];
    // The service holds every send longer than the client waits for it at quit (3 s), and less
    // than that and the 2 s it gives the cancelled flows to unwind.
    service_.Get("/admin/fault?kind=delay&ms=5000&path=/lumeno/msg/v3/add_dialogue");
    const auto sendOnItsWay = [&](const QString& text) {
        CDlgMsgGroup& group = CDlgMsgGroup::Instance();
        ASSERT_TRUE(group.IsWindow() || group.Create());
        OpenConversation(id);
        CDlgMessage* chat = group.Chat(id);
        ASSERT_NE(chat, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return chat->PageReady(); }));
        QInputMethodEvent typed;
        typed.setCommitString(text);
        QApplication::sendEvent(chat->Input(), &typed);
        QTest::keyClick(chat->Input(), Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] { return chat->Input()->toPlainText().isEmpty(); }));
        ASSERT_EQ(chat->Outstanding().size(), 1u);
        // Long enough for the emptied box to be kept as the draft.
        PumpUntil([] { return false; }, std::chrono::milliseconds(CDlgMessage::kDraftDelayMs * 2));
    };
    const auto boxAfterSigningIn = [&] {
        CDlgMsgGroup& group = CDlgMsgGroup::Instance();
        EXPECT_TRUE(group.IsWindow() || group.Create());
        OpenConversation(id);
        return group.Chat(id) ? group.Chat(id)->Input()->toPlainText() : QString();
    };

    const QString signingOut = QStringLiteral("签退时还在路上的话");
    sendOnItsWay(signingOut);
    Main().ReturnToLogin(false);
    EXPECT_EQ(DraftBook::Of(account).Get(id), signingOut.toStdString());
    CDlgMsgGroup::DestroyInstance();
    SignInOver(QStringLiteral("demo"));
    EXPECT_EQ(boxAfterSigningIn(), signingOut);

    // Quitting waits a moment for the sends on their way, then keeps what did not go.
    CDlgMsgGroup::Instance().Chat(id)->Input()->clear();
    const QString quitting = QStringLiteral("退出时还在路上的话");
    sendOnItsWay(quitting);
    Main().Quit();
    EXPECT_FALSE(Main().IsWindow());
    CDlgMsgGroup::DestroyInstance();
    Quit();
    DraftBook::ForgetLoaded();
    Start();
    SignInOver(QStringLiteral("demo"));
    EXPECT_EQ(boxAfterSigningIn(), quitting);
}

}  // namespace

namespace {

// A group the account leaves here, and one it is removed from by the group's creator elsewhere,
// lose their tabs; the other conversations stay as they were.
TEST_F(ConversationWindowTest, AGroupLeftOrRemovedFromClosesItsTab) {
    SignInDemo();
    CDlgMsgGroup& group = CDlgMsgGroup::Instance();
    ASSERT_TRUE(group.Create());
    const std::int32_t team = ConversationNamed("产品研发群");
    const std::int32_t hiking = ConversationNamed("周末徒步");
    const std::int32_t zhang = ConversationNamed("张伟");
    ASSERT_TRUE(team && hiking && zhang);
    for (std::int32_t id : {zhang, hiking, team})
        OpenConversation(id);
    ASSERT_EQ(group.TabOrder(), (std::vector<std::int32_t>{team, hiking, zhang}));

    // Leaving, as the group's information window does it.
    bool left = false;
    RunFlow(nullptr, [&](CAsyncWorkFlow& flow) {
        ErrorRecord error;
        left = RemoveMembers(team, &error, true, flow, {MyUserId()});
    });
    ASSERT_TRUE(PumpUntil([&] { return left; }));
    EXPECT_TRUE(PumpUntil([&] { return group.Chat(team) == nullptr; }, std::chrono::seconds(10)))
        << "the tab of a group left stays";
    EXPECT_EQ(group.TabOrder(), (std::vector<std::int32_t>{hiking, zhang}));
    EXPECT_EQ(group.Selected(), hiking);

    // 刘洋 created 周末徒步 and takes the account out of it.
    const QJsonObject token =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(service_.Get("/admin/token?account=liuyang")))
            .object();
    const std::string removed =
        service_.Get("/lumeno/msg/v3/remove_user?mid=" + std::to_string(hiking) +
                     "&uids=" + MyUserId() + "&u=" + token.value("qxid").toString().toStdString() +
                     "&access_token=" + token.value("token").toString().toStdString());
    ASSERT_NE(removed.find("\"ok\""), std::string::npos) << removed;
    service_.Get("/admin/notify?qxid=" + MyUserId());
    EXPECT_TRUE(PumpUntil([&] { return group.Chat(hiking) == nullptr; }, std::chrono::seconds(30)))
        << "the tab of a group the account was removed from stays";
    EXPECT_EQ(group.TabOrder(), (std::vector<std::int32_t>{zhang}));
    EXPECT_EQ(group.Selected(), zhang);
    EXPECT_FALSE(group.ListShown());
}

}  // namespace

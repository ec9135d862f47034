// The conversation window at a real desktop (a window manager and a compositing manager), driven
// through the real pointer and keyboard: a tab closed with its cross, Ctrl+Tab between tabs, a
// message read at once in the conversation the person is looking at, news in tabs that are open
// already, and the window that comes back for a message while the person types elsewhere.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>
#include <chrono>
#include <string>
#include <vector>

#include "api/login.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/chat_window.h"
#include "tests/support/desktop_windows.h"
#include "tests/support/dialog_answerer.h"
#include "tests/support/element_click.h"
#include "tests/support/real_input.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"
#include "ui/chat/dlg_msg_group.h"
#include "ui/conversations/page_message.h"
#include "ui/edit/edit_ex.h"
#include "ui/main/main_wnd.h"
#include "ui/prompts/dlg_close_dialog_wnd.h"

namespace {

using namespace std::chrono_literals;
using lumeno::test::PumpUntil;
namespace input = lumeno::test::real_input;

class ChatDesktopTest : public lumeno::test::ChatWindowTest {
  protected:
    void TearDown() override {
        CDlgMsgGroup::DestroyInstance();
        ChatWindowTest::TearDown();
    }

    static CDlgMsgGroup& Group() { return CDlgMsgGroup::Instance(); }

    // A text message into the conversation, sent by `from` through the service.
    void SendAs(const std::string& from, std::int32_t conversationId, const QString& text) {
        const std::string answer =
            service_.Get("/admin/send?mid=" + std::to_string(conversationId) + "&from=" + from +
                         "&text=" + QUrl::toPercentEncoding(text).toStdString());
        ASSERT_NE(answer.find("\"ok\""), std::string::npos) << answer;
    }
    // The messages of the conversation that the account has not read, as the service counts.
    int ServiceUnread(const std::string& account, std::int32_t conversationId) const {
        const QJsonObject answer =
            QJsonDocument::fromJson(
                QByteArray::fromStdString(service_.Get("/admin/unread?qxid=" + account +
                                                       "&mid=" + std::to_string(conversationId))))
                .object();
        return answer.value(QStringLiteral("unread")).toInt(-1);
    }
    // What a reader hears for the conversation's row in the main window's list.
    static QString SpokenRowOf(const QString& name) {
        for (const UiNode& node : Main().MessagePage()->List().Describe()) {
            if (node.role == UiRole::ListItem && node.name.startsWith(name)) return node.name;
        }
        return QString();
    }
    static bool Active(VWindowImplRoot& window) {
        return window.Widget() && window.Widget()->isActiveWindow();
    }
    // Asks the window manager to bring the window forward, as a click on its task-bar entry does.
    static bool ActivateByWindowManager(VWindowImplRoot& window) {
        return input::Xdotool(
            {QStringLiteral("windowactivate"), QString::number(window.Widget()->winId())});
    }
    // The window states the window manager has set on the window.
    static QString WindowManagerStates(VWindowImplRoot& window) {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), QString::number(window.Widget()->winId()),
                     QStringLiteral("_NET_WM_STATE")});
        xprop.waitForFinished(10000);
        return QString::fromUtf8(xprop.readAllStandardOutput());
    }
    // Where a drawn element of the window lies on the screen.
    static QPoint OnScreen(VWindowImplRoot& window, const UiRect& rect) {
        return window.ClientToScreen(rect.ToQRect().center());
    }
    static void Settle(std::chrono::milliseconds time = 400ms) {
        PumpUntil([] { return false; }, time);
    }
    // Opens the conversations as the lists do, the last one selected, and waits until the window
    // is the active one with the page of the selected conversation drawn.
    static void OpenAll(const std::vector<std::int32_t>& ids) {
        for (std::int32_t id : ids)
            OpenConversation(id);
        ASSERT_TRUE(PumpUntil([&] { return Group().IsWindowVisible() && Active(Group()); }));
        // Clear of the main window, which stays above the other windows.
        const UiRect main = Main().GetWindowRect();
        Group().SetWindowPos(nullptr, main.right + 60, main.top + 80, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(PumpUntil([&] { return Group().GetWindowRect().left > main.right; }));
        CDlgMessage* chat = Group().Chat(ids.back());
        ASSERT_NE(chat, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return chat->PageReady() && Rows(*chat) > 0; }));
    }
};

// The cross of a tab shows the skin's hovered look under the pointer and closes that tab when
// clicked, leaving the selected conversation as it was; Ctrl+Tab and Ctrl+Shift+Tab go to the
// next and the previous conversation, with the keyboard in its box.
TEST_F(ChatDesktopTest, ATabClosesWithItsCrossAndCtrlTabSwitchesConversations) {
    SignInDemo();
    ASSERT_TRUE(Group().Create());
    const std::int32_t zhang = ConversationNamed("张伟");
    const std::int32_t wang = ConversationNamed("王芳");
    const std::int32_t alice = ConversationNamed("Alice Martin");
    ASSERT_TRUE(zhang && wang && alice);
    OpenAll({alice, wang, zhang});
    ASSERT_EQ(Group().TabOrder(), (std::vector<std::int32_t>{zhang, wang, alice}));
    ASSERT_EQ(Group().Selected(), zhang);

    // The pointer on 王芳's tab, away from its cross; then on the cross.
    const QRect cross = Group().TabCloseButtonOnScreen(1);
    ASSERT_FALSE(cross.isEmpty());
    ASSERT_TRUE(input::MoveTo(QPoint(cross.left() - 60, cross.center().y())));
    Settle();
    const QImage away = input::Screen().copy(cross);
    ASSERT_TRUE(input::MoveTo(cross.center()));
    Settle();
    const QImage over = input::Screen().copy(cross);
    EXPECT_NE(away, over) << "the cross looks the same with the pointer on it";

    ASSERT_TRUE(input::Click(cross.center()));
    ASSERT_TRUE(PumpUntil([&] { return Group().TabOrder().size() == 2; }, 5s))
        << "a click on the cross did not close the tab";
    EXPECT_EQ(Group().TabOrder(), (std::vector<std::int32_t>{zhang, alice}));
    EXPECT_EQ(Group().Chat(wang), nullptr);
    EXPECT_EQ(Group().Selected(), zhang);

    // The keyboard in 张伟's box, then Ctrl+Tab and back.
    CChatInput* box = Group().Chat(zhang)->Input();
    ASSERT_TRUE(input::Click(box->mapToGlobal(box->rect().center())));
    ASSERT_TRUE(PumpUntil([&] { return QApplication::focusWidget() == box; }));
    ASSERT_TRUE(input::Key(QStringLiteral("ctrl+Tab")));
    EXPECT_TRUE(PumpUntil([&] { return Group().Selected() == alice; }, 5s));
    EXPECT_TRUE(
        PumpUntil([&] { return QApplication::focusWidget() == Group().Chat(alice)->Input(); }, 5s));
    ASSERT_TRUE(input::Key(QStringLiteral("ctrl+shift+Tab")));
    EXPECT_TRUE(PumpUntil([&] { return Group().Selected() == zhang; }, 5s));
    EXPECT_TRUE(PumpUntil([&] { return QApplication::focusWidget() == box; }, 5s));
    // From the first tab backwards is the last one.
    ASSERT_TRUE(input::Key(QStringLiteral("ctrl+shift+Tab")));
    EXPECT_TRUE(PumpUntil([&] { return Group().Selected() == alice; }, 5s));
}

// Messages that arrive in the conversation the person is reading, in the active window, are read:
// its row in the list, the conversation tab's badge and the service's count stay at 0.
TEST_F(ChatDesktopTest, MessagesArrivingInTheConversationBeingReadAreReadAtOnce) {
    // 王芳 has no pending items and no unread conversation that counts: the tab badge is 0.
    SignInByKeyboard(QStringLiteral("wangfang"));
    ASSERT_TRUE(Group().Create());
    const std::int32_t linxiao = ConversationNamed("林晓");
    const std::int32_t zhang = ConversationNamed("张伟");
    ASSERT_TRUE(linxiao && zhang);
    OpenAll({zhang, linxiao});
    ASSERT_EQ(Group().Selected(), linxiao);
    ASSERT_TRUE(PumpUntil([&] { return ServiceUnread("wangfang", linxiao) == 0; }));
    ASSERT_EQ(Main().UnreadCount(), 0);

    for (const QString& text :
         {QStringLiteral("面试时间定在周四下午"), QStringLiteral("可以吗？")}) {
        SendAs("demo", linxiao, text);
        ASSERT_TRUE(
            PumpUntil([&] { return RowsWithText(*Group().Chat(linxiao), text) == 1; }, 30s));
    }
    // Long enough for the marks to reach the service, and for another synchronisation.
    Settle(1000ms);
    service_.Get("/admin/notify?qxid=wangfang");
    Settle(1000ms);
    ASSERT_TRUE(Active(Group())) << "the window lost the keyboard: the case does not hold";
    ASSERT_EQ(Group().Selected(), linxiao);
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(linxiao);
    ASSERT_NE(conversation, nullptr);
    EXPECT_EQ(conversation->badge, 0);
    const QString spoken = SpokenRowOf(QStringLiteral("林晓"));
    EXPECT_FALSE(spoken.isEmpty());
    EXPECT_FALSE(spoken.contains(QStringLiteral("未读"))) << spoken.toStdString();
    EXPECT_EQ(Main().UnreadCount(), 0);
    EXPECT_EQ(ServiceUnread("wangfang", linxiao), 0);
}

// News for a conversation whose tab is open while the person is elsewhere: the task-bar entry asks
// for attention, the title names that conversation, its tab goes to the top; a one-to-one
// conversation sounds, a group does not (however busy); a minimised window switches to it.
TEST_F(ChatDesktopTest, NewsInAnOpenTabAsksForAttentionAndMovesTheTabUp) {
    SignInDemo();
    ASSERT_TRUE(Group().Create());
    const std::int32_t zhang = ConversationNamed("张伟");
    const std::int32_t wang = ConversationNamed("王芳");
    const std::int32_t hiking = ConversationNamed("周末徒步");
    ASSERT_TRUE(zhang && wang && hiking);
    OpenAll({hiking, zhang, wang});
    ASSERT_EQ(Group().TabOrder(), (std::vector<std::int32_t>{wang, zhang, hiking}));

    // The person goes to the main window.
    ASSERT_TRUE(ActivateByWindowManager(Main()));
    ASSERT_TRUE(PumpUntil([] { return Active(Main()) && !Active(Group()); }));
    const int alerts = Group().Alerts();
    const int sounds = Group().SoundsPlayed();
    EXPECT_FALSE(WindowManagerStates(Group()).contains(QStringLiteral("DEMANDS_ATTENTION")));

    SendAs("zhangwei", zhang, QStringLiteral("方案我改好了"));
    ASSERT_TRUE(PumpUntil([&] { return Group().TabOrder().front() == zhang; }, 30s))
        << "the tab with news stayed where it was";
    EXPECT_EQ(Group().TabOrder(), (std::vector<std::int32_t>{zhang, wang, hiking}));
    EXPECT_EQ(Group().Selected(), wang);
    EXPECT_EQ(Group().Alerts(), alerts + 1);
    EXPECT_EQ(Group().SoundsPlayed(), sounds + 1);
    EXPECT_EQ(Group().GetWindowText(), QStringLiteral("张伟等3个会话"));
    EXPECT_TRUE(PumpUntil(
        [&] { return WindowManagerStates(Group()).contains(QStringLiteral("DEMANDS_ATTENTION")); },
        5s));

    // A busy group: each message asks for attention, none sounds.
    for (int i = 1; i <= 3; ++i)
        SendAs("liuyang", hiking, QStringLiteral("集合时间改了 %1").arg(i));
    ASSERT_TRUE(PumpUntil(
        [&] { return RowsWithText(*Group().Chat(hiking), QStringLiteral("集合时间改了 3")) == 1; },
        30s))
        << Group().Alerts() - alerts;
    Settle();
    EXPECT_EQ(Group().Alerts(), alerts + 4);
    EXPECT_EQ(Group().TabOrder().front(), hiking);
    EXPECT_EQ(Group().SoundsPlayed(), sounds + 1);
    EXPECT_EQ(Group().GetWindowText(), QStringLiteral("周末徒步等3个会话"));
    EXPECT_EQ(Group().Selected(), wang);

    // Minimised, the window switches to the conversation with news.
    Group().ShowWindow(SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([] { return Group().IsIconic(); }));
    SendAs("zhangwei", zhang, QStringLiteral("看到了回我一下"));
    EXPECT_TRUE(PumpUntil([&] { return Group().Selected() == zhang; }, 30s));
    EXPECT_EQ(Group().TabOrder().front(), zhang);
    EXPECT_EQ(Group().SoundsPlayed(), sounds + 2);
}

// After "关闭所有" a message brings the window back: it takes no keyboard from the window where the
// person is typing, and once brought forward it is laid out at its real size, its messages read.
TEST_F(ChatDesktopTest, TheWindowThatComesBackForAMessageLeavesTheKeyboardAndFitsItsSize) {
    SignInDemo();
    ASSERT_TRUE(Group().Create());
    const std::int32_t zhang = ConversationNamed("张伟");
    const std::int32_t wang = ConversationNamed("王芳");
    ASSERT_TRUE(zhang && wang);
    OpenAll({zhang, wang});
    ASSERT_TRUE(Group().ListShown());
    // What the shadow around the client area takes of the window's width and height.
    Settle();
    const QSize shadow = Group().Widget()->size() - Group().GetClientRect().ToQRect().size();

    // The close button, and "关闭所有" in the question with the pointer.
    lumeno::test::WhenShown<CDlgCloseDialogWnd>([](CDlgCloseDialogWnd& prompt) {
        const std::optional<UiNode> all =
            lumeno::test::FindElement(prompt, QStringLiteral("关闭所有"));
        ASSERT_TRUE(all.has_value());
        input::Click(OnScreen(prompt, all->rect));
    });
    ASSERT_TRUE(Activate(Group(), UiRole::Button, QStringLiteral("关闭")));
    ASSERT_TRUE(PumpUntil([] { return !Group().IsWindowVisible(); }));
    ASSERT_TRUE(Group().TabOrder().empty());
    // Back to one conversation's size, and laid out for it.
    EXPECT_EQ(Group().GetClientRect().ToQRect().size() + shadow, Group().Widget()->size());
    EXPECT_EQ(Group().GetClientRect().Width(), CDlgMsgGroup::kWidth);

    // The person types into the main window's search box; a message comes meanwhile.
    CEditEx* search = Main().SearchBox();
    ASSERT_NE(search, nullptr);
    ASSERT_TRUE(input::Click(search->mapToGlobal(search->rect().center())));
    ASSERT_TRUE(PumpUntil([&] { return QApplication::focusWidget() == search; }));
    ASSERT_TRUE(input::Type(QStringLiteral("zh")));
    SendAs("zhangwei", zhang, QStringLiteral("晚上一起吃饭吗"));
    ASSERT_TRUE(PumpUntil([&] { return Group().Chat(zhang) && Group().IsWindowVisible(); }, 30s));
    Settle(1000ms);
    ASSERT_TRUE(input::Type(QStringLiteral("ang")));
    Settle();
    EXPECT_EQ(search->text(), QStringLiteral("zhang"));
    EXPECT_TRUE(Group().Chat(zhang)->Input()->toPlainText().isEmpty());
    EXPECT_TRUE(Active(Main()));
    EXPECT_FALSE(Active(Group()));
    EXPECT_TRUE(Group().IsIconic());
    // Minimised, it is laid out for the size it has (the conversation reaches the band along the
    // right edge that resizes the window).
    UiRect placed;
    ASSERT_TRUE(Group().Chat(zhang)->GetRectInParent(placed));
    EXPECT_EQ(placed.right, CDlgMsgGroup::kWidth - CDlgMsgGroup::kResizeBand);

    // The person comes to it.
    ASSERT_TRUE(ActivateByWindowManager(Group()));
    ASSERT_TRUE(PumpUntil([] { return Active(Group()) && !Group().IsIconic(); }));
    Settle(800ms);
    QWidget* frame = Group().Widget();
    const UiRect client = Group().GetClientRect();
    EXPECT_EQ(client.ToQRect().size() + shadow, frame->size())
        << "laid out for " << client.Width() << " x " << client.Height();
    EXPECT_EQ(client.Width(), CDlgMsgGroup::kWidth);
    CDlgMessage* chat = Group().Chat(zhang);
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(chat->GetRectInParent(placed));
    EXPECT_EQ(placed.right, client.right - CDlgMsgGroup::kResizeBand)
        << "the conversation is laid out for another width";
    for (const QString& name : {QStringLiteral("关闭"), QStringLiteral("最小化")}) {
        const std::optional<UiNode> button = lumeno::test::FindElement(Group(), name);
        ASSERT_TRUE(button.has_value()) << name.toStdString();
        EXPECT_LE(button->rect.right, client.right) << name.toStdString();
    }
    const std::optional<UiNode> send = lumeno::test::FindElement(*chat, QStringLiteral("发送"));
    ASSERT_TRUE(send.has_value());
    EXPECT_LE(send->rect.right, chat->GetClientRect().right);
    EXPECT_TRUE(PumpUntil([&] { return ServiceUnread("demo", zhang) == 0; }, 10s));
    EXPECT_EQ(CDBMsgDlg::Instance().FindConversation(zhang)->badge, 0);

    // The screen as the person sees it.
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    const QRect shown = lumeno::test::desktop::OnScreen(frame);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_TRUE(
        input::Screen().copy(shown).save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                         QStringLiteral("/conversation-window-back.png")));
}

}  // namespace

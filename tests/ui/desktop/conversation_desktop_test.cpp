// Conversations and accounts at a real desktop, with the conversations' window as start-up makes
// it: switching account with a half-written message, and an anonymous card's "与他联系".

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "api/api_controller.h"
#include "api/login.h"
#include "storage/msg_dlg_store.h"
#include "tests/support/box_catcher.h"
#include "tests/support/main_window_client.h"
#include "tests/support/menu_picker.h"
#include "tests/support/real_input.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/dlg_message.h"
#include "ui/chat/dlg_msg_group.h"
#include "ui/edit/edit_ex.h"
#include "ui/main/edge_dock.h"
#include "ui/profile/dlg_user_detail.h"
#include "ui/ui_messages.h"

namespace lumeno::test {
namespace {

namespace input = real_input;

class ConversationDesktopTest : public MainWindowClientTest {
  protected:
    void TearDown() override {
        CDlgMsgGroup::DestroyInstance();
        MainWindowClientTest::TearDown();
    }
    static CDlgMsgGroup& Group() { return CDlgMsgGroup::Instance(); }
    // A window the window manager shows on the screen: mapped, exposed, not minimised.
    static bool OnScreen(VWindowImplRoot& window) {
        QWidget* widget = window.Widget();
        return widget && widget->isVisible() && !widget->isMinimized() && widget->windowHandle() &&
               widget->windowHandle()->isExposed();
    }
    // The one-to-one conversation of the demo account with this person.
    static std::int32_t ConversationWith(const std::string& qxid, std::int32_t type) {
        for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
            if (conversation->deleted == 1 || conversation->type != type) continue;
            for (const std::string& member : conversation->member_ids)
                if (member == qxid) return id;
        }
        return 0;
    }
    // On the screen and all of it there (a docked window reaches a pixel or two past the edge).
    static bool WholeOnScreen(VWindowImplRoot& window) {
        const QRect frame = window.GetWindowRect().ToQRect();
        const QRect shown = frame.intersected(QGuiApplication::primaryScreen()->geometry());
        return OnScreen(window) && shown.height() >= frame.height() - 2 &&
               shown.width() >= frame.width() - 2;
    }
    static QPoint ScreenPoint(VWindowImplRoot& window, const UiRect& rect) {
        return window.Widget()->mapToGlobal(window.ClientOrigin() + rect.ToQRect().center());
    }
    // "切换账号" from the main menu, with the pointer.
    static void SwitchAccountByMenu() {
        MenuPicker picker(QStringLiteral("切换账号"));
        for (const UiNode& node : Main().Describe()) {
            if (node.name == QStringLiteral("主菜单")) {
                ASSERT_TRUE(input::Click(ScreenPoint(Main(), node.rect)));
            }
        }
        ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn() && Login()->IsWindowVisible(); }));
    }
};

// A switch of account with a half-written message in an open conversation keeps it as that
// account's draft (it is in the box when the account signs in again), and each time the main
// window of the account that signed in comes back whole on the screen, also when it was docked
// at the top edge of the screen (hidden with its account, it used to slide out of sight there).
TEST_F(ConversationDesktopTest, SwitchingAccountKeepsTheDraftAndTheMainWindowComesBack) {
    SignInDemo();
    ASSERT_TRUE(Group().Create());
    const std::int32_t id = ConversationWith("10002", 2);  // 张伟
    ASSERT_NE(id, 0);
    OpenConversation(id);
    CDlgMessage* chat = Group().Chat(id);
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return OnScreen(Group()) && chat->PageReady(); }));
    CChatInput* box = chat->Input();
    ASSERT_TRUE(input::Click(box->mapToGlobal(box->rect().center())));
    ASSERT_TRUE(PumpUntil([&] { return box->hasFocus(); }));
    const QString draft = QStringLiteral("half written, not sent");
    ASSERT_TRUE(input::Type(draft, 10));
    ASSERT_TRUE(PumpUntil([&] { return box->toPlainText() == draft; }));

    // The main window is kept docked at the top edge of the screen.
    const UiRect before = Main().GetWindowRect();
    ASSERT_TRUE(input::MoveTo(QPoint(before.left + 100, 20)));
    UiRect proposed = UiRect::FromSize(before.left, 10, before.Width(), before.Height());
    Main().SendMessage(WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposed));
    ASSERT_EQ(Main().Dock().Edge(), DockEdge::Top);
    Main().MoveWindow(proposed.left, proposed.top, proposed.Width(), proposed.Height());
    ASSERT_TRUE(PumpUntil([] { return OnScreen(Main()); }));

    BoxCatcher boxes;  // none is expected; one would stop the keys below
    SwitchAccountByMenu();
    EXPECT_FALSE(Group().IsWindowVisible()) << "the account's conversations close";
    // Another account typed in, the pointer on the login page.
    QWidget* account = Login()->AccountBox();
    ASSERT_TRUE(input::Click(account->mapToGlobal(account->rect().center())));
    ASSERT_TRUE(PumpUntil([] { return Login()->AccountBox()->hasFocus(); }));
    PumpUntil([] { return false; }, std::chrono::milliseconds(800));
    ASSERT_TRUE(input::Key(QStringLiteral("ctrl+a")));
    ASSERT_TRUE(input::Type(QStringLiteral("zhangwei"), 10));
    ASSERT_TRUE(input::Key(QStringLiteral("Tab")));
    ASSERT_TRUE(input::Type(QStringLiteral("lumeno123"), 10));
    ASSERT_TRUE(input::Key(QStringLiteral("Return")));
    ASSERT_TRUE(PumpUntil([] { return Main().SignedIn(); }))
        << Login()->AccountBox()->text().toStdString();
    EXPECT_EQ(CDBLogin::Instance().Record().realname, "张伟");
    EXPECT_TRUE(PumpUntil([] { return WholeOnScreen(Main()); }))
        << "no window after the switch: the main window is at " << Main().GetWindowRect().top;
    EXPECT_FALSE(Login()->IsWindowVisible());

    SwitchAccountByMenu();
    SignInOver(QStringLiteral("demo"));
    EXPECT_TRUE(PumpUntil([] { return WholeOnScreen(Main()); }))
        << "no window after the switch back";
    OpenConversation(id);
    ASSERT_NE(Group().Chat(id), nullptr);
    EXPECT_EQ(Group().Chat(id)->Input()->toPlainText(), draft);
    for (const auto& shown : boxes.boxes)
        ADD_FAILURE() << "a box came up: " << shown.text.toStdString();
}

// "与他联系" on an anonymous job seeker's card opens the conversation in which he is anonymous;
// no ordinary conversation with him is asked for.
TEST_F(ConversationDesktopTest, ContactingAnAnonymousCardOpensItsAnonymousConversation) {
    SignInDemo();
    ASSERT_TRUE(Group().Create());
    const std::string seeker = "10015";
    const std::int32_t anonymous = ConversationWith(seeker, 1);
    ASSERT_NE(anonymous, 0);
    const HWND hwnd = Main().OpenProfileWindow(seeker);
    auto* profile = dynamic_cast<CDlgUserDetail*>(platform::WindowFromHandle(hwnd));
    ASSERT_NE(profile, nullptr);
    ASSERT_TRUE(profile->User().anonym);
    UiRect contact;
    ASSERT_TRUE(PumpUntil([&] {
        for (const UiNode& node : profile->Content().Describe())
            if (node.name == QStringLiteral("与他联系")) contact = node.rect;
        return !contact.IsEmpty() && OnScreen(*profile);
    }));
    BoxCatcher boxes;
    ASSERT_TRUE(input::Click(ScreenPoint(profile->Content(), contact)));
    ASSERT_TRUE(PumpUntil([&] { return Group().Selected() != 0 || !boxes.boxes.empty(); }));
    for (const auto& box : boxes.boxes)
        ADD_FAILURE() << box.text.toStdString();
    EXPECT_EQ(Group().Selected(), anonymous);
    EXPECT_TRUE(PumpUntil([] { return OnScreen(Group()); }));
    EXPECT_EQ(ConversationWith(seeker, 2), 0) << "an ordinary conversation was made";
}

}  // namespace
}  // namespace lumeno::test

// The main window as a user meets it after signing in: the tab badge's three looks, the menus of
// the title area and the tray, closing as Config.ini says (tray, quit, no tray host), a revoked
// token that sends the user back to the login page with the fields kept, and switching account
// that clears them.
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QTimer>

#include "api/login.h"
#include "config/config.h"
#include "tests/support/box_catcher.h"
#include "tests/support/build_tree.h"
#include "tests/support/main_window_client.h"
#include "tests/support/menu_picker.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_images.h"
#include "ui/common/cached_pictures.h"
#include "ui/common/popup_menu.h"
#include "ui/common/tray_host.h"
#include "ui/edit/edit_ex.h"
#include "ui/main/tray_icon.h"
#include "util/user_messages.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

class MainWindowTest : public MainWindowClientTest {
  protected:
    void TearDown() override {
        OverrideTrayHostForTests(std::nullopt);
        MainWindowClientTest::TearDown();
    }
    // The badge on the conversation tab: its reader's name and its width.
    static std::pair<QString, int> Badge() {
        for (const UiNode& node : Main().Describe()) {
            if (node.role == UiRole::Image && node.name.endsWith(QStringLiteral("条未读消息")))
                return {node.name, node.rect.Width()};
        }
        return {};
    }
};

TEST_F(MainWindowTest, TheBadgeShowsNineTenAndNinetyNinePlusInItsTwoShapes) {
    SignInDemo();
    const int round = SkinImage("message_notify_icon.png").FrameWidth();
    const int wide = SkinImage("message_notify_icon2.png").FrameWidth();
    ASSERT_NE(round, wide);
    Main().SetUnreadCount(9);
    EXPECT_EQ(Badge(), std::make_pair(QStringLiteral("9条未读消息"), round));
    Main().SetUnreadCount(10);
    EXPECT_EQ(Badge(), std::make_pair(QStringLiteral("10条未读消息"), wide));
    Main().SetUnreadCount(100);
    EXPECT_EQ(Badge(), std::make_pair(QStringLiteral("99+条未读消息"), wide));
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    Main().Widget()->grab().save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                 QStringLiteral("/main-badge.png"));
    Main().SetUnreadCount(0);
    EXPECT_TRUE(Badge().first.isEmpty()) << "no badge without unread messages";
}

TEST_F(MainWindowTest, TrayMenuFollowsTheWindowAndClosingFollowsTheSettings) {
    OverrideTrayHostForTests(true);
    Quit();  // start again with a tray host
    Start();
    ASSERT_TRUE(Main().Tray() && Main().Tray()->Shown());
    ASSERT_TRUE(PumpUntil([] { return Login()->IsWindowVisible(); }));
    EXPECT_EQ(Main().TrayMenuCommands(), std::vector<MainCommand>{MainCommand::TrayExit})
        << "while the login page is up the tray offers only 退出";
    // A click on the icon while the login page is up leaves things as they are.
    Main().Tray()->Activated(QSystemTrayIcon::Trigger);
    QTest::qWait(50);
    EXPECT_FALSE(Main().IsWindowVisible());

    SignInDemo();
    {
        MenuPicker picker(QStringLiteral("隐藏主窗体"));
        Main().Tray()->Activated(QSystemTrayIcon::Context);
        ASSERT_TRUE(PumpUntil([] { return !Main().IsWindowVisible(); }));
        EXPECT_EQ(picker.texts,
                  (std::vector<QString>{QStringLiteral("隐藏主窗体"), QStringLiteral("退出")}));
    }
    EXPECT_EQ(Main().TrayMenuCommands(),
              (std::vector<MainCommand>{MainCommand::ShowMain, MainCommand::TrayExit}));
    Main().Tray()->Activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(PumpUntil([] { return Main().IsWindowVisible(); })) << "a click brings it back";
    // The icon tells of unread messages in its tip (and marks its picture).
    Main().SetUnreadCount(3);
    EXPECT_EQ(Main().Tray()->Tip(), QStringLiteral("Lumeno - IM (3条未读消息)"));
    Main().SetUnreadCount(0);
    EXPECT_EQ(Main().Tray()->Tip(), QStringLiteral("Lumeno - IM"));

    // One menu at a time: a second request while the first is open opens nothing.
    {
        int second = -1;
        QTimer::singleShot(0, [&] { second = TrackPopup(Main().Handle(), {{1, "x"}}, 0, 0); });
        MenuPicker picker{QString()};
        TrackPopup(Main().Handle(), {{1, QStringLiteral("一")}}, 0, 0);
        EXPECT_EQ(second, 0);
        EXPECT_EQ(picker.menus, 1);
    }

    // Closing without the prompt and without exitToTray in Config.ini goes to the tray.
    WriteConfigString("normal", "showExitNotify", "0");
    Main().PostMessage(WM_CLOSE);
    ASSERT_TRUE(PumpUntil([] { return !Main().IsWindowVisible(); }));
    EXPECT_TRUE(Main().IsWindow()) << "still running in the tray";
    EXPECT_TRUE(Main().SignedIn());
    Main().PostMessage(UM_SHOW_MAIN);
    ASSERT_TRUE(PumpUntil([] { return Main().IsWindowVisible(); }))
        << "a second instance's knock brings the window forward";
    // exitToTray=0 quits, and says goodbye to the service first.
    WriteConfigString("normal", "exitToTray", "0");
    Main().PostMessage(WM_CLOSE);
    ASSERT_TRUE(PumpUntil([] { return !Main().IsWindow(); }));
    EXPECT_FALSE(CApiController::Instance().presenceOff.Busy()) << "presence off was waited for";
}

TEST_F(MainWindowTest, WithoutATrayHostMinimiseIsRealAndClosingQuits) {
    OverrideTrayHostForTests(false);
    Quit();
    Start();
    SignInDemo();
    EXPECT_FALSE(Main().Tray()->Shown());
    EXPECT_FALSE(Main().Widget()->windowFlags().testFlag(Qt::Tool))
        << "the window keeps its task-bar entry";
    ASSERT_TRUE(Activate(Main(), UiRole::Button, QStringLiteral("最小化")));
    ASSERT_TRUE(PumpUntil([] { return Main().IsIconic(); }));
    Main().PostMessage(UM_SHOW_MAIN);
    ASSERT_TRUE(PumpUntil([] { return !Main().IsIconic() && Main().IsWindowVisible(); }));
    WriteConfigString("normal", "showExitNotify", "0");
    ASSERT_TRUE(Activate(Main(), UiRole::Button, QStringLiteral("关闭")));
    ASSERT_TRUE(PumpUntil([] { return !Main().IsWindow(); })) << "nowhere to hide: it quits";
}

TEST_F(MainWindowTest, RevokedTokenReturnsToLoginKeepingTheFieldsAndSwitchingAccountClearsThem) {
    // (Switching clears the password and the check boxes; the remembered account is offered.)
    SignInDemo();
    BoxCatcher boxes;
    const std::string qxid = CDBLogin::Instance().Record().qxid;
    service_.Get("/admin/revoke?qxid=" + qxid + "&code=20001");
    // The next presence report meets the revoked token.
    CApiController& controller = CApiController::Instance();
    CAsyncWorkFlow::CancelFlow(&controller.presenceHeartbeat);
    StartPresenceHeartbeat();
    ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn() && Login()->IsWindowVisible(); }));
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("出错啦~~"));
    EXPECT_TRUE(boxes.boxes[0].text.endsWith(QStringLiteral("(错误码: 20001)")));
    EXPECT_FALSE(Main().IsWindowVisible());
    EXPECT_EQ(Login()->AccountBox()->text(), QStringLiteral("demo")) << "a forced return keeps it";
    EXPECT_TRUE(CDBLogin::Instance().Record().qxid.empty()) << "signed out";

    // Signed in again, 切换账号 from the main menu clears the fields.
    Login()->AccountBox()->clear();
    Login()->PasswordBox()->clear();
    Login()->AccountBox()->setFocus();
    SignInDemo();
    ASSERT_TRUE(Main().SearchBox());
    ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Main().SearchBox(); }))
        << "the search box has the keyboard when the main window comes";
    Type(QStringLiteral("li"));
    Key(Qt::Key_Escape);
    EXPECT_TRUE(Main().SearchBox()->text().isEmpty()) << "Escape empties the search";
    Type(QStringLiteral("zhang"));
    MenuPicker picker(QStringLiteral("切换账号"));
    ASSERT_TRUE(Activate(Main(), UiRole::Button, QStringLiteral("主菜单")));
    ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn() && Login()->IsWindowVisible(); }));
    EXPECT_EQ(picker.texts,
              (std::vector<QString>{QStringLiteral("发起聊天"), QStringLiteral("意见反馈"),
                                    QStringLiteral("切换账号"), QStringLiteral("设置"),
                                    QStringLiteral("关于"), QStringLiteral("退出")}));
    EXPECT_EQ(Login()->AccountBox()->text(), QStringLiteral("demo")) << "it is remembered";
    EXPECT_TRUE(Login()->PasswordBox()->text().isEmpty());
    EXPECT_TRUE(Main().SearchBox()->text().isEmpty()) << "the search goes with the account";
    EXPECT_EQ(Main().UnreadCount(), 0);
}

TEST_F(MainWindowTest, DraggedToTheTopEdgeItDocksSlidesAwayAndComesBackWhenAsked) {
    SignInDemo();
    ASSERT_TRUE(Main().Dock().Enabled());
    const UiRect before = Main().GetWindowRect();
    // Dragged with the pointer near the top of the screen the window is on.
    QCursor::setPos(before.left + 100, 20);
    UiRect proposed = UiRect::FromSize(before.left, 10, before.Width(), before.Height());
    Main().SendMessage(WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposed));
    EXPECT_EQ(Main().Dock().Edge(), DockEdge::Top);
    EXPECT_LE(proposed.top, 0) << "the move is steered against the edge";
    Main().MoveWindow(proposed.left, proposed.top, proposed.Width(), proposed.Height());
    // The pointer touches the window, then goes away: the window slides up out of sight.
    Main().SendMessage(WM_NCHITTEST, 0, MAKELPARAM(before.left + 100, 5));
    QCursor::setPos(before.right + 60, 300);
    ASSERT_TRUE(PumpUntil([] { return Main().GetWindowRect().bottom <= 2; }, 5s))
        << "only a strip stays on screen";
    EXPECT_TRUE(Main().IsWindowVisible());
    // The tray or a second instance asks for it: it slides back in.
    Main().PostMessage(UM_SHOW_MAIN);
    ASSERT_TRUE(PumpUntil([] { return Main().GetWindowRect().top >= -2; }, 5s));
}

// Keys typed into a native box reach the loop's filters as the skinned window's keys first.
TEST_F(MainWindowTest, KeysOfTheSearchBoxPassTheMessageFiltersWhichMayTakeThem) {
    class KeySpy final : public platform::CMessageFilter {
      public:
        bool PreTranslateMessage(MSG& msg) override {
            if (msg.message != WM_KEYDOWN) return false;
            keys.push_back(msg.wParam);
            windows.push_back(msg.hwnd);
            return msg.wParam == VK_DOWN;
        }
        std::vector<WPARAM> keys;
        std::vector<HWND> windows;
    } spy;
    SignInDemo();
    loop_.AddMessageFilter(&spy);
    Main().SearchBox()->setFocus();
    Main().SearchBox()->setCursorPosition(0);
    Type(QStringLiteral("z"));
    Key(Qt::Key_Down);
    Key(Qt::Key_Left);
    loop_.RemoveMessageFilter(&spy);
    EXPECT_EQ(spy.keys, (std::vector<WPARAM>{'Z', VK_DOWN, VK_LEFT}));
    for (HWND window : spy.windows)
        EXPECT_EQ(window, Main().Handle());
    EXPECT_EQ(Main().SearchBox()->text(), QStringLiteral("z")) << "unclaimed keys still type";
    EXPECT_EQ(Main().SearchBox()->cursorPosition(), 0) << "Left moved the caret back";
}

// A forced return to the login page while a dialog is up closes the dialog first.
TEST_F(MainWindowTest, ReturnToLoginClosesTheDialogOverTheWindowFirst) {
    SignInDemo();
    bool closedByReturn = false;
    QTimer::singleShot(200, [&] {
        ASSERT_NE(QApplication::activeModalWidget(), nullptr) << "the settings are up";
        Main().PostMessage(UM_RETURN_TO_LOGIN, 0, 1);
        closedByReturn = true;
    });
    // A stuck dialog would hang the test: end it after a while, and fail.
    QObject guard;  // the fallback goes with the test
    QTimer::singleShot(10000, &guard, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        ADD_FAILURE() << "the dialog outlived the account";
    });
    Main().RunCommand(MainCommand::Settings);
    EXPECT_TRUE(closedByReturn);
    ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn() && Login()->IsWindowVisible(); }));
}

// A window that draws two avatars through the shared cached pictures: one the service has and
// one it does not.
class AvatarWindow final : public VWindowImpl<AvatarWindow, WS_POPUP> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestAvatarWindow"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        ++paints;
        pictures.Draw(root, UiRect(0, 0, 42, 42), good, kSmallAvatarPixels,
                      SkinImage("main_icon_default.png"), QStringLiteral("good"));
        pictures.Draw(root, UiRect(50, 0, 92, 42), broken, kSmallAvatarPixels,
                      SkinImage("main_icon_default.png"), QStringLiteral("broken"));
    }
    CCachedPictures pictures{*this};
    std::string good, broken;
    int paints = 0;
};

TEST_F(MainWindowTest, AvatarsAreFetchedOnceOutsideThePaintAndABrokenOneIsNotRetried) {
    SignInDemo();
    AvatarWindow window;
    window.good = CDBLogin::Instance().Record().avatar;
    ASSERT_FALSE(window.good.empty());
    window.broken = service_.BaseUrl() + "/files/avatar/nobody-here.png";
    ASSERT_TRUE(window.Create(nullptr, UiRect(0, 0, 100, 50)));
    window.ShowWindow(SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] {
        return window.pictures.Find(window.good, kSmallAvatarPixels) &&
               window.pictures.Failed(window.broken, kSmallAvatarPixels);
    }));
    // The signed-in user's own avatar was already drawn by the title area: only the broken one
    // was asked for, once.
    EXPECT_EQ(window.pictures.Requests(), 1);
    const int paints = window.paints;
    for (int i = 0; i < 20; ++i) {
        window.Invalidate(false);
        window.UpdateWindow();
    }
    QTest::qWait(50);
    EXPECT_GE(window.paints, paints + 1);
    EXPECT_EQ(window.pictures.Requests(), 1) << "a failed address is not retried on a repaint";
    window.DestroyWindow();
}

}  // namespace
}  // namespace lumeno::test

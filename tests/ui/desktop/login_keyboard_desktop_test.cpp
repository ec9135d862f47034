// The login page at a real desktop, driven through the real keyboard: what the boxes take, what
// is asked for when something is missing, Tab round the boxes, the check boxes and the sign-in
// button, and the account offered again after switching account.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "api/api_controller.h"
#include "api/login.h"
#include "tests/support/box_catcher.h"
#include "tests/support/build_tree.h"
#include "tests/support/main_window_client.h"
#include "tests/support/real_input.h"
#include "tests/support/screenshot.h"
#include "tests/ui/desktop/keyboard_ring.h"
#include "ui/edit/edit_ex.h"

namespace lumeno::test {
namespace {

namespace input = real_input;

class LoginKeyboardDesktopTest : public MainWindowClientTest {
  protected:
    // Where the keyboard is on the page: "账号", "密码" or the name of a drawn control.
    static QString Stop() {
        return KeyboardStop(*Login(), {{QStringLiteral("账号"), Login()->AccountBox()},
                                       {QStringLiteral("密码"), Login()->PasswordBox()}});
    }
    static UiRect RectOf(const QString& name) {
        for (const UiNode& node : Login()->Describe())
            if (node.name == name) return node.rect;
        return UiRect();
    }
    // The page is up on the desktop and a click has put the keys into the account box.
    static void ClickIntoTheAccountBox() {
        ASSERT_TRUE(PumpUntil([] {
            return Login()->IsWindowVisible() && Login()->Widget()->windowHandle() &&
                   Login()->Widget()->windowHandle()->isExposed();
        }));
        QWidget* box = Login()->AccountBox();
        ASSERT_TRUE(input::Click(box->mapToGlobal(box->rect().center())));
        ASSERT_TRUE(PumpUntil([] { return Stop() == QStringLiteral("账号"); }));
    }
    // The window manager gave the page the keyboard back (after a box over it closed).
    static bool PageHasTheKeys() { return Login()->Widget()->isActiveWindow(); }
    static bool Typed(const QString& text) {
        if (!input::Type(text, 20)) return false;
        PumpUntil([] { return false; }, std::chrono::milliseconds(200));
        return true;
    }
};

// The account box stops taking keys at 20 characters without a word; Enter with no password
// says "请输入密码" and the next keys go into the password box, from either box.
TEST_F(LoginKeyboardDesktopTest, TheAccountStopsAtTwentyAndAMissingPasswordIsAskedFor) {
    ClickIntoTheAccountBox();
    BoxCatcher boxes;
    ASSERT_TRUE(Typed(QStringLiteral("abcdefghijklmnopqrstuvwxy")));
    EXPECT_EQ(Login()->AccountBox()->text(), QStringLiteral("abcdefghijklmnopqrst"));
    for (const auto& box : boxes.boxes)
        ADD_FAILURE() << "a box came up while typing: " << box.text.toStdString();

    boxes.boxes.clear();
    ASSERT_TRUE(PressKey(QStringLiteral("ctrl+a")));
    ASSERT_TRUE(Typed(QStringLiteral("demo")));
    ASSERT_TRUE(PressKey(QStringLiteral("Return")));
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("请输入密码"));
    ASSERT_TRUE(PumpUntil([] { return Stop() == QStringLiteral("密码") && PageHasTheKeys(); }))
        << "the keyboard is on " << Stop().toStdString();
    ASSERT_TRUE(Typed(QStringLiteral("x")));
    EXPECT_EQ(Login()->PasswordBox()->text(), QStringLiteral("x")) << "the keys go there";

    // Emptied again, Enter in the password box itself asks the same.
    ASSERT_TRUE(PressKey(QStringLiteral("BackSpace")));
    ASSERT_TRUE(PressKey(QStringLiteral("Return")));
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2; }));
    EXPECT_EQ(boxes.boxes[1].text, QStringLiteral("请输入密码"));
    EXPECT_TRUE(PumpUntil([] { return Stop() == QStringLiteral("密码") && PageHasTheKeys(); }));
    EXPECT_EQ(Login()->AccountBox()->text(), QStringLiteral("demo")) << "nothing typed is lost";
    EXPECT_FALSE(Main().SignedIn());
}

// Tab and Shift+Tab go round the boxes, the check boxes and the sign-in button, in the order
// they stand; the control the keyboard is on shows the focus ring; Space ticks a check box and
// presses the button, Enter presses the button and signs in from a check box too.
TEST_F(LoginKeyboardDesktopTest, TabGoesRoundTheBoxesTheCheckBoxesAndTheButton) {
    ClickIntoTheAccountBox();
    ASSERT_TRUE(Typed(QStringLiteral("demo")));
    std::vector<QString> forward;
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
        forward.push_back(Stop());
    }
    EXPECT_EQ(forward, (std::vector<QString>{QStringLiteral("密码"), QStringLiteral("记住密码"),
                                             QStringLiteral("自动登录"), QStringLiteral("登录"),
                                             QStringLiteral("没有账号?"), QStringLiteral("关闭"),
                                             QStringLiteral("账号")}));
    std::vector<QString> back;
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(PressKey(QStringLiteral("shift+Tab")));
        back.push_back(Stop());
    }
    EXPECT_EQ(back, (std::vector<QString>{QStringLiteral("关闭"), QStringLiteral("没有账号?"),
                                          QStringLiteral("登录"), QStringLiteral("自动登录"),
                                          QStringLiteral("记住密码"), QStringLiteral("密码"),
                                          QStringLiteral("账号")}));

    // A wrong password first; Space ticks "记住密码", Enter there signs in (and ticks nothing).
    BoxCatcher boxes;
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_TRUE(Typed(QStringLiteral("wrong")));
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_EQ(Stop(), QStringLiteral("记住密码"));
    EXPECT_GT(FocusRingPixels(*Login(), RectOf(QStringLiteral("记住密码"))), 20)
        << "the ring is drawn round the check box";
    EXPECT_EQ(FocusRingPixels(*Login(), RectOf(QStringLiteral("登录"))), 0);
    ASSERT_TRUE(PressKey(QStringLiteral("space")));
    EXPECT_TRUE(Login()->RemembersPassword());
    ASSERT_TRUE(SaveAtBothScales(Login()->Widget(),
                                 QString::fromUtf8(lumeno::test::build::ScreenshotDir()),
                                 QStringLiteral("login-page-keyboard")));
    ASSERT_TRUE(PressKey(QStringLiteral("Return")));
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 1 && !Login()->Busy(); }));
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("账号或密码错误 (错误码: 10005)"));
    EXPECT_TRUE(Login()->RemembersPassword());

    // Again wrong, with Space on the button; the failure leaves the keys in the password box.
    ASSERT_TRUE(PumpUntil([] { return Stop() == QStringLiteral("密码") && PageHasTheKeys(); }));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_EQ(Stop(), QStringLiteral("登录"));
    EXPECT_GT(FocusRingPixels(*Login(), RectOf(QStringLiteral("登录"))), 20);
    ASSERT_TRUE(PressKey(QStringLiteral("space")));
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2 && !Login()->Busy(); }));

    // The right password, and Enter on the button.
    ASSERT_TRUE(PumpUntil([] { return Stop() == QStringLiteral("密码") && PageHasTheKeys(); }));
    ASSERT_TRUE(Typed(QStringLiteral("lumeno123")));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_EQ(Stop(), QStringLiteral("登录"));
    ASSERT_TRUE(PressKey(QStringLiteral("Return")));
    ASSERT_TRUE(PumpUntil([] { return Main().SignedIn() && Main().IsWindowVisible(); }));
    EXPECT_EQ(CDBLogin::Instance().Record().realname, "林晓");
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

// After "切换账号" the account box offers the account just used (it is remembered), selected, so
// that the keys type another one over it; the password and the check boxes start empty.
TEST_F(LoginKeyboardDesktopTest, AfterSwitchingAccountTheRememberedAccountIsOffered) {
    SignInDemo();
    Main().RunCommand(MainCommand::SwitchAccount);
    ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn() && Login()->IsWindowVisible(); }));
    EXPECT_EQ(Login()->AccountBox()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(Login()->PasswordBox()->text().isEmpty());
    EXPECT_FALSE(Login()->RemembersPassword());
    EXPECT_FALSE(Login()->SignsInAutomatically());

    ASSERT_TRUE(PumpUntil([] { return Stop() == QStringLiteral("账号"); }))
        << "the keyboard is on " << Stop().toStdString();
    ASSERT_TRUE(Typed(QStringLiteral("zhangwei")));
    EXPECT_EQ(Login()->AccountBox()->text(), QStringLiteral("zhangwei"));
    ASSERT_TRUE(PressKey(QStringLiteral("Tab")));
    ASSERT_TRUE(Typed(QStringLiteral("lumeno123")));
    ASSERT_TRUE(PressKey(QStringLiteral("Return")));
    ASSERT_TRUE(PumpUntil([] { return Main().SignedIn() && Main().IsWindowVisible(); }));
    EXPECT_EQ(CDBLogin::Instance().Record().realname, "张伟");
}

}  // namespace
}  // namespace lumeno::test

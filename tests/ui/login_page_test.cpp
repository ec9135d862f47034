// The login page as a user meets it: the keyboard from the account box to the password and
// Enter, the service's refusal in the error box, the input checks, the check-box rules, the
// automatic sign-in of a remembered account at the next start, and its picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "app/component_tables.h"
#include "config/config.h"
#include "platform/ui_thread.h"
#include "tests/support/box_catcher.h"
#include "tests/support/build_tree.h"
#include "tests/support/local_service.h"
#include "tests/support/main_window_client.h"
#include "tests/support/temp_dir.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/edit/edit_ex.h"
#include "ui/login/page_login.h"
#include "ui/main/main_wnd.h"
#include "util/component_registry.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

// The client as start-up makes it, showing the login page; the helpers act on the page.
class LoginPageTest : public MainWindowClientTest {
  protected:
    static CPageLogIn* Page() { return Login(); }

    // Acts on the page's drawn element with this role and name as a click would.
    static bool Activate(UiRole role, const QString& name) {
        return MainWindowClientTest::Activate(*Page(), role, name);
    }

    // Tab from the account box; the page moves the keyboard when its message arrives.
    static void TabToPassword() {
        Key(Qt::Key_Tab);
        ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Page()->PasswordBox(); }));
    }

    bool SignedInAndShown() {
        return Main().SignedIn() && Main().IsWindowVisible() && !Page()->IsWindowVisible();
    }
};

TEST_F(LoginPageTest, KeyboardSignInFromTheAccountBoxShowsTheMainWindowSignedIn) {
    ASSERT_TRUE(PumpUntil([] { return Page()->IsWindowVisible(); }));
    EXPECT_FALSE(Main().IsWindowVisible()) << "nobody is signed in yet";
    ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Page()->AccountBox(); }))
        << "the account box has the keyboard when the page appears";

    Type(QStringLiteral("demo"));
    TabToPassword();
    Type(QStringLiteral("lumeno123"));
    EXPECT_NE(Page()->PasswordBox()->displayText(), QStringLiteral("lumeno123"))
        << "the password is masked";
    Key(Qt::Key_Return);

    ASSERT_TRUE(PumpUntil([&] { return SignedInAndShown(); }));
    EXPECT_EQ(CDBLogin::Instance().Record().realname, "林晓");
    bool named = false;
    for (const UiNode& node : Main().Describe())
        named |= node.name == QStringLiteral("林晓");
    EXPECT_TRUE(named) << "the title area shows the signed-in user's name";
    QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
    Main().Widget()->grab().save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                                 QStringLiteral("/main-signed-in.png"));
}

TEST_F(LoginPageTest, RefusedPasswordShowsTheServiceMessageWithItsCodeAndSelectsThePassword) {
    BoxCatcher boxes;
    ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Page()->AccountBox(); }));
    Type(QStringLiteral("demo"));
    TabToPassword();
    Type(QStringLiteral("not-it"));
    Key(Qt::Key_Return);

    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty() && !Page()->Busy(); }));
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("出错啦~~"));
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("账号或密码错误 (错误码: 10005)"));
    ASSERT_TRUE(PumpUntil([] { return Page()->PasswordBox()->hasSelectedText(); }));
    EXPECT_EQ(Page()->PasswordBox()->selectedText(), QStringLiteral("not-it"));
    EXPECT_EQ(Page()->AccountBox()->text(), QStringLiteral("demo")) << "nothing typed is lost";
    EXPECT_TRUE(Page()->IsWindowVisible());
    EXPECT_FALSE(Main().SignedIn());
}

TEST_F(LoginPageTest, UnreachableServiceSaysSoInsteadOfStayingSilent) {
    WriteConfigString("main", "msg", "127.0.0.1:1");
    BoxCatcher boxes;
    ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Page()->AccountBox(); }));
    Type(QStringLiteral("demo"));
    TabToPassword();
    Type(QStringLiteral("lumeno123"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("出错啦~~"));
    EXPECT_EQ(boxes.boxes[0].text, QString::fromUtf8(CMainWnd::kUnreachableText));
}

TEST_F(LoginPageTest, InputChecksAndTheCheckBoxRules) {
    BoxCatcher boxes;
    ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Page()->AccountBox(); }));
    // The account box swallows what an account name cannot hold.
    Type(QStringLiteral("a@b c"));
    EXPECT_EQ(Page()->AccountBox()->text(), QStringLiteral("abc"));
    // A pasted text with such characters is refused with a message and leaves the box empty.
    QApplication::clipboard()->setText(QStringLiteral("me@example"));
    QTest::keyClick(Page()->AccountBox(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ(boxes.boxes.back().text, QStringLiteral("请输入数字、字母、减号、下划线！"));
    EXPECT_TRUE(Page()->AccountBox()->text().isEmpty());
    boxes.boxes.clear();
    Page()->AccountBox()->SetText(QStringLiteral("a"));
    QTest::keyClick(Page()->AccountBox(), Qt::Key_Return);  // too short: not even reported
    QTest::qWait(100);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(Page()->Busy());

    EXPECT_TRUE(Activate(UiRole::Button, QStringLiteral("登录")));
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ(boxes.boxes.back().text, QStringLiteral("请输入正确的账号/手机号，密码"));
    Page()->PasswordBox()->SetText(QStringLiteral("secret"));
    EXPECT_TRUE(Activate(UiRole::Button, QStringLiteral("登录")));
    ASSERT_TRUE(PumpUntil([&] { return boxes.boxes.size() == 2; }));
    EXPECT_EQ(boxes.boxes.back().text, QStringLiteral("请输入正确的账号/手机号"));

    // Signing in automatically needs the password remembered, and forgetting it stops both.
    EXPECT_TRUE(Activate(UiRole::CheckBox, QStringLiteral("自动登录")));
    EXPECT_TRUE(Page()->SignsInAutomatically());
    EXPECT_TRUE(Page()->RemembersPassword());
    EXPECT_TRUE(Activate(UiRole::CheckBox, QStringLiteral("记住密码")));
    EXPECT_FALSE(Page()->RemembersPassword());
    EXPECT_FALSE(Page()->SignsInAutomatically());
}

TEST_F(LoginPageTest, RememberedAccountSignsInByItselfAtTheNextStart) {
    ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Page()->AccountBox(); }));
    Type(QStringLiteral("demo"));
    TabToPassword();
    Type(QStringLiteral("lumeno123"));
    EXPECT_TRUE(Activate(UiRole::CheckBox, QStringLiteral("自动登录")));
    Key(Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return SignedInAndShown(); }));

    // Quit and start again: no key is pressed this time.
    Quit();
    CApiController::Instance().Saved() = SavedAccounts();
    Start();
    EXPECT_EQ(Page()->AccountBox()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(Page()->RemembersPassword());
    ASSERT_TRUE(PumpUntil([&] { return SignedInAndShown(); }));
}

TEST_F(LoginPageTest, EveryDrawnPartIsNamedAndThePagePictureIsClean) {
    std::vector<QString> names;
    for (const UiNode& node : Page()->Describe())
        names.push_back(node.name);
    for (const char* expected : {"关闭", "头像", "记住密码", "自动登录", "登录", "没有账号?"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), QString::fromUtf8(expected)), names.end())
            << expected;
    }
    EXPECT_EQ(Page()->AccountBox()->accessibleName(), QStringLiteral("账号/手机号"));

    // The picture: the account typed, the keyboard in the password box.
    Page()->AccountBox()->SetText(QStringLiteral("demo"));
    Page()->PasswordBox()->setFocus();
    Page()->Invalidate(false);
    QApplication::processEvents();
    QWidget* widget = Page()->Widget();
    for (qreal scale : {1.0, 2.0}) {
        QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        // The boxes sit on the white field, not on the page's blue.
        const QPoint inBox = Page()->AccountBox()->geometry().center();
        EXPECT_EQ(image.pixelColor(inBox * scale + QPoint(20, 0) * scale).value(), 255);
        QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
        EXPECT_TRUE(image.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                               (scale > 1 ? QStringLiteral("/login-page@2x.png")
                                          : QStringLiteral("/login-page.png"))));
    }
}

}  // namespace
}  // namespace lumeno::test

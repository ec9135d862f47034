#pragma once
// The real client for window tests: components, skin, a data folder of its own, the local
// service, and the main window as start-up makes it (showing the login page). SignInDemo goes
// through the login page with the keyboard, as a person does; TearDown ends the account's flows
// before the window goes, as the program does.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <string>

#include "api/api_controller.h"
#include "api/sign_in.h"
#include "app/component_tables.h"
#include "flow/async_work_flow.h"
#include "platform/message_loop.h"
#include "platform/ui_thread.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "tests/support/local_service.h"
#include "tests/support/pump.h"
#include "tests/support/temp_dir.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/vwindow.h"
#include "ui/login/page_login.h"
#include "ui/main/main_wnd.h"
#include "util/component_registry.h"

namespace lumeno::test {

using namespace std::chrono_literals;

class MainWindowClientTest : public ::testing::Test {
  protected:
    explicit MainWindowClientTest(LocalService::Options options = {})
        : service_(std::move(options)) {}

    static void SetUpTestSuite() {
        PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));
    }

    void SetUp() override {
        // The UI thread's loop, as start-up registers it, so that windows find its filters.
        platform::AddMessageLoop(&loop_);
        UseTempDataHome(dir_);
        service_.PointClientHere();
        Start();
    }
    void TearDown() override {
        Quit();
        platform::RemoveMessageLoop();
    }

    // The client's start: the main window, which shows the login page.
    void Start() {
        ASSERT_TRUE(Main().Create(0, 0, 300, 666));
        ASSERT_NE(Login(), nullptr);
    }
    // As the program ends: the account's flows stop, then the window goes.
    void Quit() {
        SignOut();
        EXPECT_TRUE(PumpUntil(
            [] { return CAsyncWorkFlow::FreeFiberCount() == CAsyncWorkFlow::FiberCount(); }, 10s))
            << "flows were left that can no longer come back";
        if (Main().IsWindow()) Main().DestroyWindow();
        CMainWnd::DestroyInstance();
        // The window's end asked the loop to end; with no loop running Qt keeps that request
        // and every later nested loop (menus, dialogs) would end at once. A loop that ends
        // consumes it, as the program's own loop does.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QApplication::exec();
    }

    static CMainWnd& Main() { return CMainWnd::Instance(); }
    static CPageLogIn* Login() { return CMainWnd::Instance().LoginPage(); }

    static void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    // Types the account, Tab, the password and Enter into the login page and waits for the
    // main window; then for the first synchronisation to end.
    void SignInByKeyboard(const QString& account, const QString& password = "lumeno123") {
        ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Login()->AccountBox(); }));
        Type(account);
        Key(Qt::Key_Tab);
        ASSERT_TRUE(
            PumpUntil([] { return QApplication::focusWidget() == Login()->PasswordBox(); }));
        Type(password);
        Key(Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([] { return Main().SignedIn() && Main().IsWindowVisible(); }));
        ASSERT_TRUE(PumpUntil([] {
            return !CApiController::Instance().signIn.Busy() &&
                   !CApiController::Instance().conversationSync.Busy();
        }));
    }
    void SignInDemo() { SignInByKeyboard(QStringLiteral("demo")); }
    // The main menu's "切换账号", then another account typed over what the login page offers.
    void SwitchAccountTo(const QString& account) {
        Main().RunCommand(MainCommand::SwitchAccount);
        ASSERT_TRUE(PumpUntil([] { return !Main().SignedIn() && Login() != nullptr; }));
        SignInOver(account);
    }
    // Signs in from the login page whatever its boxes hold.
    void SignInOver(const QString& account) {
        ASSERT_TRUE(PumpUntil([] { return Login() != nullptr; }));
        Login()->AccountBox()->setFocus();
        ASSERT_TRUE(PumpUntil([] { return QApplication::focusWidget() == Login()->AccountBox(); }));
        Login()->AccountBox()->selectAll();
        Key(Qt::Key_Delete);
        Type(account);
        Key(Qt::Key_Tab);
        ASSERT_TRUE(
            PumpUntil([] { return QApplication::focusWidget() == Login()->PasswordBox(); }));
        Login()->PasswordBox()->selectAll();
        Key(Qt::Key_Delete);
        Type(QStringLiteral("lumeno123"));
        Key(Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([] { return Main().SignedIn() && Main().IsWindowVisible(); }));
        ASSERT_TRUE(PumpUntil([] {
            return !CApiController::Instance().signIn.Busy() &&
                   !CApiController::Instance().conversationSync.Busy();
        }));
    }

    // Acts on the drawn element of `window` with this role and name as a click would.
    static bool Activate(VWindowImplRoot& window, UiRole role, const QString& name) {
        for (const UiNode& node : window.Describe()) {
            if (node.role == role && node.name == name) return window.ActivateElement(node.rect);
        }
        ADD_FAILURE() << "no element " << name.toStdString();
        return false;
    }
    static bool Shows(VWindowImplRoot& window, const QString& name) {
        for (const UiNode& node : window.Describe())
            if (node.name == name) return true;
        return false;
    }

    platform::CMessageLoop loop_;
    TempDir dir_;
    LocalService service_;
};

}  // namespace lumeno::test

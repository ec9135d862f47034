// The client's start with a skin directory: the main window starts hidden as the notification
// window and shows the login page; asking for the main window while nobody is signed in shows
// the login page again; closing the login page ends the run. This test program sits beside the
// built skin directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "api/api_controller.h"
#include "app/startup.h"
#include "platform/window.h"
#include "tests/support/temp_dir.h"
#include "ui/login/page_login.h"
#include "ui/main/main_wnd.h"
#include "util/user_messages.h"

namespace {

struct Observed {
    bool sawMainWindow = false;
    bool mainHiddenAtStart = false;
    bool loginShownAtStart = false;
    bool mainIsNotificationWindow = false;
    bool loginBackAfterShowRequest = false;
    bool mainStillHiddenAfterShowRequest = false;
};

Observed& Seen() {
    static Observed observed;
    return observed;
}

// Once the loop runs: look at both windows, hide the login page, ask for the main window, then
// close the login page as its close button does.
void DriveTheStart() {
    QTimer::singleShot(100, [] {
        HWND main = platform::FindWindowByClass(CMainWnd::kClassName);
        if (!main) {
            QCoreApplication::exit(1);
            return;
        }
        CMainWnd& window = CMainWnd::Instance();
        CPageLogIn* login = window.LoginPage();
        Seen().sawMainWindow = true;
        Seen().mainHiddenAtStart = !window.IsWindowVisible();
        Seen().loginShownAtStart = login && login->IsWindowVisible();
        Seen().mainIsNotificationWindow = CApiController::Instance().NotificationWindow() == main;
        if (!login) {
            window.PostMessage(WM_CLOSE);
            return;
        }
        login->ShowWindow(SW_HIDE);
        platform::PostMessage(main, UM_SHOW_MAIN, 0, 0);
        QTimer::singleShot(100, [&window] {
            CPageLogIn* page = window.LoginPage();
            Seen().loginBackAfterShowRequest = page && page->IsWindowVisible();
            Seen().mainStillHiddenAfterShowRequest = !window.IsWindowVisible();
            if (page) page->PostMessage(WM_CLOSE);
        });
    });
}

Q_COREAPP_STARTUP_FUNCTION(DriveTheStart)

TEST(MainWindowStart, LoginPageFirstShowRequestWhileSignedOutAndClosingTheLoginEndsTheRun) {
    lumeno::test::TempDir dir;
    lumeno::test::UseTempDataHome(dir);
    char name[] = "lumeno";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(lumeno::app::RunClient(1, argv), 0) << "closing the login page ends the run";
    ASSERT_TRUE(Seen().sawMainWindow);
    EXPECT_TRUE(Seen().mainHiddenAtStart);
    EXPECT_TRUE(Seen().loginShownAtStart);
    EXPECT_TRUE(Seen().mainIsNotificationWindow);
    EXPECT_TRUE(Seen().loginBackAfterShowRequest) << "nobody is signed in: the login page comes";
    EXPECT_TRUE(Seen().mainStillHiddenAfterShowRequest);
}

}  // namespace

// The client's start with a skin directory: the main window's first place, bringing it forward
// on request, and the end of the run when it is destroyed. This test program sits beside the
// built skin directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "app/startup.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "tests/support/temp_dir.h"
#include "ui/main_wnd.h"
#include "util/user_messages.h"

namespace {

struct Observed {
    bool sawWindow = false;
    QRect geometry;
    bool visibleAfterShowRequest = false;
    int screenWidth = 0;
};

Observed& Seen() {
    static Observed observed;
    return observed;
}

// Once the loop runs: look at the main window, hide it, ask for it back, then close it.
void DriveTheMainWindow() {
    QTimer::singleShot(50, [] {
        HWND main = platform::FindWindowByClass(CMainWnd::kClassName);
        if (!main) {
            QCoreApplication::exit(1);
            return;
        }
        auto* window = static_cast<CMainWnd*>(platform::WindowFromHandle(main));
        Seen().sawWindow = true;
        Seen().geometry = window->geometry();
        Seen().screenWidth = platform::PrimaryScreenRect().Width();
        window->hide();
        platform::PostMessage(main, UM_SHOW_MAIN, 0, 0);
        QTimer::singleShot(50, [main, window] {
            Seen().visibleAfterShowRequest = window->isVisible();
            platform::PostMessage(main, WM_CLOSE, 0, 0);
        });
    });
}

Q_COREAPP_STARTUP_FUNCTION(DriveTheMainWindow)

TEST(MainWindowStart, FirstPlaceShowRequestAndEndOfTheRun) {
    lumeno::test::TempDir dir;
    lumeno::test::UseTempDataHome(dir);
    char name[] = "lumeno";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(lumeno::app::RunClient(1, argv), 0) << "the run ends when the window is closed";
    ASSERT_TRUE(Seen().sawWindow);
    const int w = Seen().screenWidth;
    EXPECT_EQ(Seen().geometry, QRect(w - 360, 60, 300, 666));
    EXPECT_TRUE(Seen().visibleAfterShowRequest);
}

}  // namespace

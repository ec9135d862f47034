// A shadowed window on a real desktop (a window manager and a compositing manager) takes the
// pointer over all of its body after every change of size: made larger by the program, maximised,
// restored and made smaller again. The pointer is the X server's own (XTEST), so the server's
// routing through the window's input region decides who gets each press.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <vector>

#include "tests/support/pump.h"
#include "tests/support/real_input.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/window/compositor.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

// A plain window over the whole screen, kept below every other, that notes where it was pressed.
class Desktop : public QWidget {
  public:
    Desktop() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint) {}
    std::vector<QPoint> presses;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        presses.push_back(event->globalPosition().toPoint());
    }
};

// A shadowed skinned window whose whole client area takes presses; it notes where (client
// coordinates).
class Sizable : public VWindowImpl<Sizable> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestSizable"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        UiHitArea(root, ctx.client);
    }
    bool OnWindowMessage(UINT message, WPARAM, LPARAM lParam, LRESULT&) override {
        if (message == WM_CREATE) shadow.Create(m_hWnd);
        if (message == WM_LBUTTONDOWN)
            presses.emplace_back(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return false;
    }
    CWndShadow shadow;
    std::vector<QPoint> presses;
};

class WindowSizeOnDesktop : public ::testing::Test {
  protected:
    void SetUp() override {
        PrepareToolkitProcess();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        // The compositing manager may still be starting on a busy machine.
        PumpUntil([] { return CompositorAvailable(); }, 10s);
        CWndShadow::Initialize();
        ASSERT_TRUE(CWndShadow::ShadowsOn()) << "no compositing manager on the display";
        // A pixel short of the screen: the window manager would take a window of the screen's
        // size for a full-screen one and raise it above all others once it has the focus.
        desktop_.setGeometry(QGuiApplication::primaryScreen()->geometry().adjusted(0, 0, -1, 0));
        desktop_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&desktop_));
        ASSERT_TRUE(window_.Create(nullptr, UiRect::FromSize(200, 180, 240, 160), QString(),
                                   WS_POPUP | WS_VISIBLE));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.Widget()));
        window_.Widget()->activateWindow();
        Pump(300);
    }
    void TearDown() override { window_.DestroyWindow(); }

    // Clicks the real pointer at a client point of the window: true when the window had the
    // press there, false when it went through to the desktop beneath.
    bool WindowTakes(QPoint client) {
        const std::size_t before = window_.presses.size();
        const std::size_t beneath = desktop_.presses.size();
        const QPoint screen = window_.ClientToScreen(client);
        EXPECT_TRUE(real_input::Click(screen));
        PumpUntil(
            [&] { return window_.presses.size() > before || desktop_.presses.size() > beneath; },
            3s);
        Pump(100);
        if (window_.presses.size() > before) {
            EXPECT_EQ(window_.presses.back(), client);
            return true;
        }
        EXPECT_GT(desktop_.presses.size(), beneath) << "nobody had the press";
        return false;
    }
    bool SizeIs(int width, int height) {
        return PumpUntil(
            [&] {
                const UiRect client = window_.GetClientRect();
                return client.Width() == width && client.Height() == height;
            },
            5s);
    }

    Desktop desktop_;
    Sizable window_;
};

TEST_F(WindowSizeOnDesktop, TheWholeBodyTakesPressesAfterEveryChangeOfSize) {
    // As it was made; the shadow margin lets presses through.
    EXPECT_TRUE(WindowTakes(QPoint(120, 80)));
    EXPECT_FALSE(WindowTakes(QPoint(242, 80)));

    // Made larger by the program (a column of tabs joins): the new strip takes presses, on both
    // new sides.
    ASSERT_TRUE(window_.ResizeClient(400, 280));
    ASSERT_TRUE(SizeIs(400, 280));
    Pump(200);
    EXPECT_TRUE(WindowTakes(QPoint(390, 140)));
    EXPECT_TRUE(WindowTakes(QPoint(200, 270)));
    EXPECT_TRUE(WindowTakes(QPoint(395, 275)));

    // Maximised: the whole work area is the window's, its far corner too.
    window_.ShowWindow(SW_MAXIMIZE);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(PumpUntil(
        [&] { return window_.IsZoomed() && window_.GetClientRect().Width() >= work.width() - 4; },
        5s));
    Pump(300);
    const UiRect maximised = window_.GetClientRect();
    EXPECT_TRUE(WindowTakes(QPoint(maximised.right - 10, maximised.bottom - 10)));
    EXPECT_TRUE(WindowTakes(QPoint(maximised.right - 3, 3)));

    // Restored: the body is as before maximising, and beyond it the desktop has the press again.
    window_.ShowWindow(SW_RESTORE);
    ASSERT_TRUE(PumpUntil([&] { return !window_.IsZoomed(); }, 5s));
    ASSERT_TRUE(SizeIs(400, 280));
    Pump(300);
    EXPECT_TRUE(WindowTakes(QPoint(395, 275)));
    EXPECT_FALSE(WindowTakes(QPoint(402, 140)));

    // Made smaller: what it gave back is the desktop's.
    ASSERT_TRUE(window_.ResizeClient(240, 160));
    ASSERT_TRUE(SizeIs(240, 160));
    Pump(200);
    EXPECT_TRUE(WindowTakes(QPoint(230, 150)));
    EXPECT_FALSE(WindowTakes(QPoint(242, 100)));
}

}  // namespace
}  // namespace lumeno::test

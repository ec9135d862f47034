// The shadow margin on a real, composited X display: presses there go to the window underneath,
// as if the margin were not there, and presses on the body reach the toolkit window. The pointer
// is driven through the X server (XTEST), so the server's own routing decides who gets the press.
// Runs under input_region_test.sh: a private Xvfb display with a compositing manager.

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"

namespace {

using lumeno::test::Pump;

// A plain window that notes where it was pressed (in screen coordinates).
class Underneath : public QWidget {
  public:
    std::vector<QPoint> presses;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        presses.push_back(event->globalPosition().toPoint());
    }
};

class Shadowed : public VWindowImpl<Shadowed>, public CMoveable<Shadowed> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestInputRegion"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        if (ctx.mode == UiMode::Mouse && ctx.event->message == WM_LBUTTONDOWN) ++presses;
    }
    bool OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == WM_CREATE) shadow.Create(m_hWnd);
        return false;
    }
    CWndShadow shadow;
    int presses = 0;
};

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
bool Composited(xcb_connection_t* connection) {
    const char name[] = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, sizeof(name) - 1, name), nullptr);
    if (!atom) return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}

// Clicks the real pointer at a screen point given in Qt's (logical) coordinates.
void ClickAt(xcb_connection_t* connection, QPoint logical) {
    const qreal scale = qGuiApp->devicePixelRatio();
    const auto x = static_cast<std::int16_t>(qRound(logical.x() * scale));
    const auto y = static_cast<std::int16_t>(qRound(logical.y() * scale));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, x, y, 0);
    xcb_test_fake_input(connection, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, root, 0, 0, 0);
    xcb_test_fake_input(connection, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, root, 0, 0, 0);
    xcb_flush(connection);
    Pump(300);
}

TEST(InputRegionOnX11, TheShadowMarginLetsPressesThroughToTheWindowUnderneath) {
    lumeno::test::PrepareToolkitProcess();
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    xcb_connection_t* connection = Connection();
    ASSERT_NE(connection, nullptr);
    ASSERT_TRUE(Composited(connection)) << "no compositing manager on the display";
    CWndShadow::Initialize();
    ASSERT_TRUE(CWndShadow::ShadowsOn());

    Underneath below;
    below.setWindowFlags(Qt::FramelessWindowHint);
    below.setGeometry(100, 100, 500, 360);
    below.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&below));

    Shadowed window;
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(200, 180, 240, 160), QString(),
                              WS_POPUP | WS_VISIBLE));
    QWidget* surface = window.Widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(surface));
    surface->raise();
    Pump(300);
    // The window really is translucent on this display, with a margin around its body.
    ASSERT_TRUE(surface->windowHandle()->format().hasAlpha());
    const QPoint client = window.ClientToScreen(QPoint(0, 0));
    const QRect frame = surface->frameGeometry();
    ASSERT_GT(client.x() - frame.left(), 2);
    ASSERT_GT(frame.bottom() - (client.y() + 159), 2);

    // In the left margin and in the margin below the body: the press goes through.
    const QPoint leftMargin(frame.left() + 1, client.y() + 80);
    const QPoint belowBody(client.x() + 120, client.y() + 160 + 2);
    ClickAt(connection, leftMargin);
    ClickAt(connection, belowBody);
    EXPECT_EQ(window.presses, 0);
    ASSERT_EQ(below.presses.size(), 2u);
    EXPECT_LE((below.presses[0] - leftMargin).manhattanLength(), 1);
    EXPECT_LE((below.presses[1] - belowBody).manhattanLength(), 1);
    EXPECT_EQ(window.ClientToScreen(QPoint(0, 0)), client) << "a press in the margin moved it";

    // On the body, the toolkit window has it.
    ClickAt(connection, client + QPoint(120, 80));
    EXPECT_EQ(window.presses, 1);
    EXPECT_EQ(below.presses.size(), 2u);
    window.DestroyWindow();
}

}  // namespace

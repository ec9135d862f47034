// The window base with simulated input on real windows: clicks, hover and tooltips, disabled
// elements, right clicks, double clicks, dragging, and actions that close the window.

#include <gtest/gtest.h>

#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QToolTip>
#include <algorithm>
#include <functional>

#include "flow/msg_handler.h"
#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"

namespace {

using lumeno::test::Hover;
using lumeno::test::Pump;
using lumeno::test::SendButton;

// A top-level test window whose drawing function the test writes.
class TestWindow : public VWindowImpl<TestWindow> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestWindow"; }

    void Show(int width = 300, int height = 200) {
        ASSERT_NE(Create(nullptr, UiRect::FromSize(100, 100, width, height), QString(),
                         WS_POPUP | WS_VISIBLE),
                  nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Widget()));
    }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        if (draw) draw(ctx, root);
    }
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message == WM_SYSCOMMAND) sysCommands.push_back(wParam);
        return false;
    }
    void OnMessage(const BroadcastMessage* record) override {
        if (record) broadcasts.push_back(record->message);
    }

    std::function<void(UiContext&, UiRegion&)> draw;
    std::vector<WPARAM> sysCommands;
    std::vector<UINT> broadcasts;
};

class MoveableWindow : public VWindowImpl<MoveableWindow>, public CMoveable<MoveableWindow> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestMoveable"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        if (UiHitArea(root, UiRect(10, 10, 60, 40))) ++clicks;
    }
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message == WM_SYSCOMMAND) sysCommands.push_back(wParam);
        return false;
    }
    int clicks = 0;
    std::vector<WPARAM> sysCommands;
};

class WindowMouseTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::PrepareToolkitProcess(); }
};

constexpr UiRect kButton(20, 20, 120, 52);

TEST_F(WindowMouseTest, ReleaseOnlyOverThePressedElementClicks) {
    TestWindow window;
    int clicks = 0;
    window.draw = [&](UiContext&, UiRegion& root) {
        if (UiButton(root, kButton, QStringLiteral("确定"), QString(), kUiTakesMouse, nullptr)) {
            ++clicks;
        }
    };
    window.Show();
    QWidget* widget = window.Widget();

    // Press, move off, release: nothing.
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_EQ(window.LeftPressRect(), kButton);
    QTest::mouseMove(widget, QPoint(250, 150));
    EXPECT_TRUE(window.HoverRect().IsEmpty());
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(250, 150));
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(window.LeftPressRect().IsEmpty());

    // Press, move off, come back, release: one click.
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(50, 30));
    QTest::mouseMove(widget, QPoint(250, 150));
    QTest::mouseMove(widget, QPoint(60, 35));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(60, 35));
    EXPECT_EQ(clicks, 1);
}

TEST_F(WindowMouseTest, DisabledButtonDrawsFrameThreeAndNeverClicks) {
    lumeno::test::TempDir dir;
    const QString path = QString::fromStdString(dir / "states.png");
    ASSERT_TRUE(
        lumeno::test::FlatFrames({Qt::red, Qt::green, Qt::blue, Qt::yellow}, 100, 32).save(path));
    CKesBitmap image(path, 4);
    TestWindow window;
    int clicks = 0;
    unsigned flags = kUiTakesMouse | kUiDisabled;
    window.draw = [&](UiContext&, UiRegion& root) {
        if (UiButton(root, kButton, QString(), QString(), flags, &image)) ++clicks;
    };
    window.Show();
    QWidget* widget = window.Widget();

    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_EQ(clicks, 0);
    Hover(widget, QPoint(50, 30));
    EXPECT_EQ(widget->grab().toImage().pixelColor(24, 24), QColor(Qt::yellow));

    // Enabled under the resting pointer: normal until the pointer moves; a press without a move
    // still presses (frame 2) and clicks it.
    flags = kUiTakesMouse;
    window.Invalidate();
    Pump();
    EXPECT_EQ(widget->grab().toImage().pixelColor(24, 24), QColor(Qt::red));
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_EQ(widget->grab().toImage().pixelColor(24, 24), QColor(Qt::blue));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_EQ(clicks, 1);
    Hover(widget, QPoint(55, 32));
    EXPECT_EQ(widget->grab().toImage().pixelColor(24, 24), QColor(Qt::green));
}

TEST_F(WindowMouseTest, CutLabelOffersItsFullTextAsTooltip) {
    const QString longText = QStringLiteral("这是一段放不下的文字 and more text than fits");
    TestWindow window;
    window.draw = [&](UiContext&, UiRegion& root) {
        UiLabel(root, UiRect(10, 10, 90, 30), longText);
        UiLabel(root, UiRect(10, 50, 290, 70), QStringLiteral("短 short"));
    };
    window.Show();
    QWidget* widget = window.Widget();

    Hover(widget, QPoint(40, 20));
    EXPECT_EQ(window.ToolTipText(), longText);
    EXPECT_EQ(window.ToolTipRect(), UiRect(10, 10, 90, 30));
    QHelpEvent help(QEvent::ToolTip, QPoint(40, 20), widget->mapToGlobal(QPoint(40, 20)));
    QApplication::sendEvent(widget, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), longText);

    Hover(widget, QPoint(40, 60));  // a label that fits has nothing to add
    EXPECT_TRUE(window.ToolTipText().isEmpty());
    Pump(400);  // the tip fades out
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(WindowMouseTest, LinkShowsTheHandCursorAndClicksOnRelease) {
    TestWindow window;
    int clicks = 0;
    window.draw = [&](UiContext&, UiRegion& root) {
        if (UiLink(root, QStringLiteral("没有账号?"), nullptr, Qt::blue, 20, 100)) ++clicks;
    };
    window.Show();
    QWidget* widget = window.Widget();
    Hover(widget, QPoint(25, 106));
    EXPECT_EQ(widget->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(25, 106));
    EXPECT_EQ(clicks, 1);
    Hover(widget, QPoint(250, 180));
    EXPECT_EQ(widget->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(WindowMouseTest, TrackedRightClicksReportPressAndRelease) {
    TestWindow window;
    std::vector<UiHit> results;
    int rightClicks = 0;
    window.draw = [&](UiContext& ctx, UiRegion& root) {
        if (ctx.mode != UiMode::Mouse) return;
        if (ctx.event->message == WM_RBUTTONDOWN) results.push_back(UiHitTest(root, kButton));
        if (ctx.event->message == WM_RBUTTONUP && UiRightClickArea(root, kButton)) ++rightClicks;
    };
    window.SetTrackRightClicks(true);
    window.Show();
    QWidget* widget = window.Widget();
    QTest::mousePress(widget, Qt::RightButton, {}, QPoint(50, 30));
    EXPECT_EQ(window.RightPressRect(), kButton);
    QTest::mouseRelease(widget, Qt::RightButton, {}, QPoint(50, 30));
    EXPECT_EQ(results, std::vector<UiHit>{UiHit::RightPressed});
    EXPECT_EQ(rightClicks, 1);
    EXPECT_TRUE(window.RightPressRect().IsEmpty());
}

TEST_F(WindowMouseTest, UntrackedRightButtonActsAsTheLeftOne) {
    TestWindow window;
    int clicks = 0;
    window.draw = [&](UiContext&, UiRegion& root) {
        if (UiHitArea(root, kButton)) ++clicks;
    };
    window.Show();
    QTest::mouseClick(window.Widget(), Qt::RightButton, {}, QPoint(50, 30));
    EXPECT_EQ(clicks, 1);
}

TEST_F(WindowMouseTest, DoubleClicksReachWindowsThatWantThem) {
    TestWindow window;
    int clicks = 0;
    int doubleClicks = 0;
    window.draw = [&](UiContext&, UiRegion& root) {
        const UiHit result = UiHitTest(root, kButton);
        clicks += result == UiHit::Clicked;
        doubleClicks += result == UiHit::DoubleClicked;
    };
    window.SetWantDoubleClicks(true);
    window.Show();
    QWidget* widget = window.Widget();
    // The window system's order: press, release, press, double click, release.
    const QPoint at(50, 30);
    SendButton(widget, QEvent::MouseButtonPress, Qt::LeftButton, at, 10000);
    SendButton(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at, 10060);
    SendButton(widget, QEvent::MouseButtonPress, Qt::LeftButton, at, 10150);
    SendButton(widget, QEvent::MouseButtonDblClick, Qt::LeftButton, at, 10150);
    SendButton(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at, 10200);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(WindowMouseTest, WithoutDoubleClicksTheSecondPressIsAPress) {
    TestWindow window;
    int clicks = 0;
    int doubleClicks = 0;
    window.draw = [&](UiContext&, UiRegion& root) {
        const UiHit result = UiHitTest(root, kButton);
        clicks += result == UiHit::Clicked;
        doubleClicks += result == UiHit::DoubleClicked;
    };
    window.Show();
    QWidget* widget = window.Widget();
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(50, 30));
    QTest::mouseDClick(widget, Qt::LeftButton, {}, QPoint(50, 30));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(doubleClicks, 0);
}

TEST_F(WindowMouseTest, PressOnEmptyBackgroundOfAMoveableWindowMovesIt) {
    MoveableWindow window;
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(100, 100, 300, 200), QString(),
                              WS_POPUP | WS_VISIBLE));
    QWidget* widget = window.Widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));

    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(30, 20));  // on the element
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_TRUE(window.sysCommands.empty());
    EXPECT_EQ(window.clicks, 1);

    const QPoint before = widget->pos();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(150, 120));
    ASSERT_EQ(window.sysCommands, std::vector<WPARAM>{SC_DRAGMOVE});
    // Where the window system cannot move windows, the window follows the pointer itself.
    QTest::mouseMove(widget, QPoint(180, 140));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(180, 140));
    EXPECT_EQ(widget->pos(), before + QPoint(30, 20));
    EXPECT_EQ(window.clicks, 1);
}

// A window that owns itself and closes from its own button.
class SelfClosingWindow : public VWindowImpl<SelfClosingWindow> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestSelfClosing"; }
    explicit SelfClosingWindow(bool* deleted) : deleted_(deleted) {}
    ~SelfClosingWindow() override { *deleted_ = true; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        if (UiHitArea(root, kButton)) ctx.Later([this] { DestroyWindow(); });
        // The click ended the pass: an element after it never sees the release.
        if (UiHitArea(root, kButton)) ++lateClicks;
    }
    void OnFinalMessage() override { delete this; }
    int lateClicks = 0;

  private:
    bool* deleted_;
};

TEST_F(WindowMouseTest, ClickThatClosesTheWindowRunsAfterThePass) {
    bool deleted = false;
    auto* window = new SelfClosingWindow(&deleted);
    ASSERT_TRUE(window->Create(nullptr, UiRect::FromSize(100, 100, 200, 100), QString(),
                               WS_POPUP | WS_VISIBLE));
    QWidget* widget = window->Widget();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(50, 30));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_FALSE(deleted);  // the final message waits for the event to finish
    EXPECT_EQ(window->lateClicks, 0);
    EXPECT_FALSE(window->IsWindow());
    Pump();
    EXPECT_TRUE(deleted);
}

// A click in a child window that closes the whole window (a list row whose question box ends
// with the window gone): the child's widget outlives the click it is still handling.
TEST_F(WindowMouseTest, ChildThatClosesItsParentLivesUntilItsClickIsOver) {
    TestWindow parent;
    parent.Show();
    TestWindow child;
    child.draw = [&](UiContext& ctx, UiRegion& root) {
        if (UiHitArea(root, kButton)) ctx.Later([&] { parent.DestroyWindow(); });
    };
    ASSERT_TRUE(child.Create(parent.Handle(), UiRect::FromSize(10, 10, 200, 100), QString(),
                             WS_CHILD | WS_VISIBLE));
    const QPointer<QWidget> widget(child.Widget());
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(50, 30));
    EXPECT_FALSE(parent.IsWindow());
    EXPECT_FALSE(child.IsWindow());
    EXPECT_FALSE(widget.isNull()) << "the child's widget went in the middle of its own click";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(widget.isNull());
}

TEST_F(WindowMouseTest, WindowHearsBroadcastsWhileItExists) {
    TestWindow window;
    window.Show();
    Broadcast(WM_USER + 77, 1, 2);
    EXPECT_EQ(window.broadcasts, std::vector<UINT>{WM_USER + 77});
    window.DestroyWindow();
    Broadcast(WM_USER + 78, 1, 2);
    EXPECT_EQ(window.broadcasts.size(), 1u);
}

}  // namespace

namespace {

// A row that clicks, with a label on it cut short: the label's tooltip must not take the row's
// hover, or a pointer that moves a pixel between press and release loses the click.
TEST_F(WindowMouseTest, TooltipNeverTakesAClickFromTheElementUnderIt) {
    const QString longText = QStringLiteral("一行放不下的标题 with a title far too long to fit");
    TestWindow window;
    int clicks = 0;
    window.draw = [&](UiContext&, UiRegion& root) {
        if (UiHitArea(root, UiRect(0, 40, 300, 96))) ++clicks;
        UiLabel(root, UiRect(70, 47, 170, 67), longText);
    };
    window.Show();
    QWidget* widget = window.Widget();
    Hover(widget, QPoint(100, 56));
    EXPECT_EQ(window.ToolTipText(), longText);  // the cut label still offers its text
    EXPECT_EQ(window.HoverRect(), UiRect(0, 40, 300, 96));
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(100, 56));
    QTest::mouseMove(widget, QPoint(101, 57));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(101, 57));
    EXPECT_EQ(clicks, 1);
}

// The pointer comes to rest over a window without moving (the window above it closed): the
// element under it lights up at once.
TEST_F(WindowMouseTest, HoverAppearsWhenAWindowIsUncoveredUnderAStillPointer) {
    TestWindow window;
    window.draw = [&](UiContext&, UiRegion& root) { UiHitArea(root, kButton); };
    window.Show();
    QWidget* widget = window.Widget();
    EXPECT_TRUE(window.HoverRect().IsEmpty());
    const QPointF at(50, 30);
    QEnterEvent enter(at, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &enter);
    EXPECT_EQ(window.HoverRect(), kButton);
}

// A window that records the messages the base hands it, and answers size limits and moves.
class MessageWindow : public VWindowImpl<MessageWindow>, public CMoveable<MessageWindow> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestMessages"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        const UiHit hit = UiHitTest(root, kButton);
        clicks += hit == UiHit::Clicked || hit == UiHit::DoubleClicked;
    }
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) override {
        heard.push_back(message);
        if (message == WM_ACTIVATE) activations.push_back(wParam);
        if (message == WM_GETMINMAXINFO) {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {200, 150};
            limits->ptMaxTrackSize = {500, 400};
        }
        if (message == WM_MOVING) {
            // Docks to the left edge of the screen when it comes within 40 pixels of it.
            auto* rect = reinterpret_cast<UiRect*>(lParam);
            if (rect->left < 40) *rect = rect->Offset(-rect->left, 0);
        }
        return false;
    }
    int Count(UINT message) const {
        return static_cast<int>(std::count(heard.begin(), heard.end(), message));
    }
    std::vector<UINT> heard;
    std::vector<WPARAM> activations;
    int clicks = 0;
};

// What windows need of the base: size limits, steered moves, activation, and the double clicks
// no element took.
TEST_F(WindowMouseTest, WindowsHearSizeLimitsMovesActivationAndUnclaimedDoubleClicks) {
    MessageWindow window;
    window.SetWantDoubleClicks(true);
    window.SetSteeredMoves(true);
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(100, 100, 300, 200), QString(),
                              WS_POPUP | WS_VISIBLE));
    QWidget* widget = window.Widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));

    EXPECT_GE(window.Count(WM_GETMINMAXINFO), 1);
    window.ResizeClient(100, 100);
    Pump();
    EXPECT_EQ(window.GetClientRect(), UiRect(0, 0, 200, 150));
    window.ResizeClient(900, 900);
    Pump();
    EXPECT_EQ(window.GetClientRect(), UiRect(0, 0, 500, 400));
    window.ResizeClient(300, 200);
    Pump();

    window.activations.clear();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(widget, &activate);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(widget, &deactivate);
    EXPECT_EQ(window.activations, (std::vector<WPARAM>{WA_ACTIVE, WA_INACTIVE}));

    // On an element the double click is the element's; on the background it is the window's.
    auto doubleClick = [&](QPoint at, quint64 time) {
        SendButton(widget, QEvent::MouseButtonPress, Qt::LeftButton, at, time);
        SendButton(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at, time + 60);
        SendButton(widget, QEvent::MouseButtonPress, Qt::LeftButton, at, time + 150);
        SendButton(widget, QEvent::MouseButtonDblClick, Qt::LeftButton, at, time + 150);
        SendButton(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at, time + 200);
    };
    doubleClick(QPoint(50, 30), 20000);
    EXPECT_EQ(window.Count(WM_NCLBUTTONDBLCLK), 0);
    EXPECT_EQ(window.clicks, 2);  // a click and a double click
    doubleClick(QPoint(200, 150), 30000);
    EXPECT_EQ(window.Count(WM_NCLBUTTONDBLCLK), 1);

    // A drag asks the window where it goes: within 40 pixels of the left edge it docks.
    const QPoint before = widget->pos();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(200, 150));
    QTest::mouseMove(widget, QPoint(230, 160));
    EXPECT_GE(window.Count(WM_MOVING), 1);
    EXPECT_EQ(widget->pos(), before + QPoint(30, 10));
    QTest::mouseMove(widget, QPoint(200 - 100 - 30 + 20, 160));
    EXPECT_EQ(window.GetWindowRect().left, 0);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(90, 160));
}

// A shadowed window: its transparent margin lets the pointer through to what lies beneath.
class ShadowedWindow : public VWindowImpl<ShadowedWindow>, public CMoveable<ShadowedWindow> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestShadowed"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
    }
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message == WM_CREATE) shadow.Create(m_hWnd);
        if (message == WM_SYSCOMMAND) sysCommands.push_back(wParam);
        return false;
    }
    CWndShadow shadow;
    std::vector<WPARAM> sysCommands;
};

TEST_F(WindowMouseTest, PressInTheShadowMarginNeitherMovesNorReachesTheWindow) {
    CWndShadow::Initialize();
    ASSERT_TRUE(CWndShadow::ShadowsOn());
    ShadowedWindow window;
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(100, 100, 300, 200), QString(),
                              WS_POPUP | WS_VISIBLE));
    QWidget* widget = window.Widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    const QPoint origin = window.ClientOrigin();
    ASSERT_GT(origin.x(), 0);  // there is a margin
    EXPECT_EQ(window.InputBody(), QRect(origin, QSize(300, 200)));

    const QPoint before = widget->pos();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(widget, QPoint(40, 40));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_TRUE(window.sysCommands.empty());
    EXPECT_EQ(widget->pos(), before);

    // The body itself still drags the window.
    QTest::mousePress(widget, Qt::LeftButton, {}, origin + QPoint(150, 100));
    EXPECT_EQ(window.sysCommands, std::vector<WPARAM>{SC_DRAGMOVE});
    QTest::mouseRelease(widget, Qt::LeftButton, {}, origin + QPoint(150, 100));
}

// The keyboard walks the elements that take the mouse, Space and Enter act on the one it is on,
// and that one wears the skin's focus ring.
TEST_F(WindowMouseTest, KeyboardWalksTheElementsAndActsOnThem) {
    TestWindow window;
    int first = 0;
    int second = 0;
    bool checked = false;
    window.draw = [&](UiContext&, UiRegion& root) {
        if (UiButton(root, UiRect(20, 20, 120, 52), QStringLiteral("一"), QString(), kUiTakesMouse,
                     nullptr)) {
            ++first;
        }
        UiLabel(root, UiRect(20, 60, 200, 80), QStringLiteral("not a stop"));
        if (UiButton(root, UiRect(20, 90, 120, 122), QStringLiteral("二"), QString(), kUiTakesMouse,
                     nullptr)) {
            ++second;
        }
        UiButton(root, UiRect(130, 90, 230, 122), QStringLiteral("off"), QString(),
                 kUiTakesMouse | kUiDisabled, nullptr);
        if (UiCheckBox(root, UiRect(20, 130, 200, 150), QStringLiteral("三"), checked, false)) {
            checked = !checked;
        }
    };
    window.Show();
    QWidget* widget = window.Widget();
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_Tab);
    EXPECT_EQ(window.FocusRect(), UiRect(20, 20, 120, 52));
    QTest::keyClick(widget, Qt::Key_Tab);
    EXPECT_EQ(window.FocusRect(), UiRect(20, 90, 120, 122));  // the label and the disabled skip
    QTest::keyClick(widget, Qt::Key_Space);
    EXPECT_EQ(second, 1);
    QTest::keyClick(widget, Qt::Key_Tab);
    QTest::keyClick(widget, Qt::Key_Return);
    EXPECT_TRUE(checked);
    QTest::keyClick(widget, Qt::Key_Tab);  // round the window
    EXPECT_EQ(window.FocusRect(), UiRect(20, 20, 120, 52));
    QTest::keyClick(widget, Qt::Key_Backtab);
    EXPECT_EQ(window.FocusRect(), UiRect(20, 130, 200, 150));
    QTest::keyClick(widget, Qt::Key_Backtab);
    EXPECT_EQ(window.FocusRect(), UiRect(20, 90, 120, 122));
    EXPECT_EQ(first, 0);

    // The ring is drawn in the skin's colour inside the focused element only.
    const QImage shot = widget->grab().toImage();
    auto ringy = [&](int x, int y) {
        const QColor c = shot.pixelColor(x, y);
        return c.blue() > 150 && c.red() < 150;
    };
    int ring = 0;
    for (int x = 22; x < 118; ++x)
        ring += ringy(x, 92);
    EXPECT_GT(ring, 60);
    for (int x = 22; x < 118; ++x)
        EXPECT_FALSE(ringy(x, 22)) << x;

    // The pointer takes over: a click puts the ring away.
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(60, 30));
    EXPECT_EQ(first, 1);
    EXPECT_TRUE(window.FocusRect().IsEmpty());
}

}  // namespace

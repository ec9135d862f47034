// The element host: capture and hover bookkeeping, moving elements, tools and painting order.

#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/window/element_host.h"
#include "toolkit/window/window_impl.h"

namespace {

class RecordingElement final : public IKesUIElement {
  public:
    explicit RecordingElement(QColor colour) : colour_(colour) {}
    void OnElementMove(int x, int y) override { moves.emplace_back(x, y); }
    void OnElementSize(int width, int height) override { sizes.emplace_back(width, height); }
    void DrawElement(QPainter& dc) override {
        dc.fillRect(0, 0, rect.Width(), rect.Height(), colour_);
        ++draws;
    }
    void OnCaptureLost() override { ++captureLost; }
    void OnElementMouseLeave() override { ++mouseLeft; }
    QString ToolText(int id) const override { return QStringLiteral("tool %1").arg(id); }

    std::vector<std::pair<int, int>> moves;
    std::vector<std::pair<int, int>> sizes;
    int draws = 0;
    int captureLost = 0;
    int mouseLeft = 0;

  private:
    QColor colour_;
};

class HostWindow : public VWindowImpl<HostWindow>, public CKesWndManager {
  public:
    static std::string_view WindowClassName() { return "LumenoTestHost"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        OfferTools(root);
        if (ctx.mode != UiMode::Paint) return;
        FillBackground(*ctx.dc, &ctx.clip);
        PaintElements(*ctx.dc, ctx.clip);
    }
    bool OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == WM_CREATE) SetHost(m_hWnd);
        return false;
    }
};

class ElementHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::PrepareToolkitProcess();
        ASSERT_TRUE(host_.Create(nullptr, UiRect::FromSize(0, 0, 200, 100), QString(),
                                 WS_POPUP | WS_VISIBLE));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host_.Widget()));
    }
    HostWindow host_;
};

TEST_F(ElementHostTest, RemovingTheCapturingElementReleasesTheCapture) {
    RecordingElement first(Qt::red);
    RecordingElement second(Qt::blue);
    host_.AddElement(&first);
    host_.AddElement(&second);
    host_.SetElementCapture(&first);
    EXPECT_EQ(VWindow::GetCapture(), host_.m_hWnd);
    host_.SetElementCapture(&second);  // the first one is told it lost the capture
    EXPECT_EQ(first.captureLost, 1);
    host_.SetHoverElement(&second);

    host_.RemoveElement(&second);
    EXPECT_EQ(VWindow::GetCapture(), nullptr);
    EXPECT_EQ(second.captureLost, 1);
    EXPECT_EQ(second.mouseLeft, 1);
    EXPECT_EQ(host_.CaptureElement(), nullptr);
    EXPECT_EQ(host_.HoverElement(), nullptr);
    EXPECT_EQ(host_.Elements(), std::vector<IKesUIElement*>{&first});
}

TEST_F(ElementHostTest, MovingAnElementNotifiesAndRepaintsItsOldAndNewPlace) {
    RecordingElement element(Qt::red);
    host_.AddElement(&element);
    host_.SetElementRect(&element, 10, 10, 30, 20);
    EXPECT_EQ(element.moves.back(), std::make_pair(10, 10));
    EXPECT_EQ(element.sizes.back(), std::make_pair(30, 20));
    host_.SetElementPosition(&element, 50, 10);
    EXPECT_EQ(element.moves.size(), 2u);
    EXPECT_EQ(element.sizes.size(), 1u);             // the size did not change
    host_.SetElementRect(&element, 50, 10, 30, 20);  // nothing changes: nothing happens
    EXPECT_EQ(element.moves.size(), 2u);

    const QImage shot = host_.Widget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(60, 15), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(15, 15), QColor(Qt::white));  // the host's background
}

TEST_F(ElementHostTest, InvisibleElementsAreNotPaintedAndToolsAreOffered) {
    RecordingElement shown(Qt::green);
    RecordingElement hidden(Qt::blue);
    hidden.flags = 0;
    host_.AddElement(&shown);
    host_.AddElement(&hidden);
    host_.SetElementRect(&shown, 0, 0, 50, 50);
    host_.SetElementRect(&hidden, 100, 0, 50, 50);
    host_.AddTool(&shown, 7, UiRect(0, 0, 50, 50));
    hidden.draws = 0;
    host_.Widget()->grab();
    EXPECT_EQ(hidden.draws, 0);
    EXPECT_GT(shown.draws, 0);

    lumeno::test::Hover(host_.Widget(), QPoint(20, 20));
    EXPECT_EQ(host_.ToolTipText(), QStringLiteral("tool 7"));
    host_.RemoveTools(&shown);
    lumeno::test::Hover(host_.Widget(), QPoint(21, 20));
    EXPECT_TRUE(host_.ToolTipText().isEmpty());
}

}  // namespace

// The drop shadow: its pixels against the geometry they must have, its place around a real
// window, and when it is made again.

#include <gtest/gtest.h>

#include <QTest>
#include <cmath>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/window/shadow_kernel.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"

namespace {

using lumeno::test::Pump;

std::vector<LineSpan> Rectangle(int width, int height) {
    return std::vector<LineSpan>(static_cast<std::size_t>(height), LineSpan{0, width});
}

// What a rectangular window's shadow must be, worked out from the shape and not from the steps:
// nothing under the window, full darkness under the rest of the shifted rectangle, and around it
// darkness falling off with the distance to the rectangle: 75 (1 - d / 6), truncated, up to 5 px.
int ExpectedAlpha(int x, int y, int width, int height) {
    const int size = 5;
    const int dy = 2;
    if (x >= size && x < size + width && y >= size - dy && y < size - dy + height) return 0;
    const int left = size, right = size + width - 1, top = size, bottom = size + height - 1;
    const int nearX = std::clamp(x, left, right);
    const int nearY = std::clamp(y, top, bottom);
    const double distance = std::hypot(x - nearX, y - nearY);
    if (distance == 0) return 75;
    if (distance > 5) return 0;
    return static_cast<int>((1 - distance / 6) * 75);
}

TEST(ShadowKernelTest, RectangularWindowShadowMatchesItsGeometry) {
    const int width = 300;
    const int height = 200;
    const ShadowParams params;  // darkness 75, sharpness 5, size 5, offset (0, 2), black
    const std::vector<std::uint32_t> pixels =
        ComputeShadowPixels(width, height, Rectangle(width, height), params);
    ASSERT_EQ(pixels.size(), 310u * 210u);
    int mismatches = 0;
    for (int y = 0; y < 210; ++y) {
        for (int x = 0; x < 310; ++x) {
            const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * 310 + x];
            const int expected = ExpectedAlpha(x, y, width, height);
            if (pixel != (static_cast<std::uint32_t>(expected) << 24)) {
                if (++mismatches < 10) ADD_FAILURE() << x << "," << y << ": " << std::hex << pixel;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    // Spot values: the edge of the window's bottom, and 5 pixels out of its side.
    EXPECT_EQ(pixels[204 * 310 + 150] >> 24, 75u);
    EXPECT_EQ(pixels[100 * 310 + 0] >> 24, 12u);
}

TEST(ShadowKernelTest, KernelValuesArePremultipliedColour) {
    EXPECT_EQ(ShadowPixel(qRgb(255, 128, 0), 75), (75u << 24) | (75u << 16) | (37u << 8) | 0u);
    ShadowParams blue;
    blue.colour = qRgb(0, 0, 255);
    const auto pixels = ComputeShadowPixels(20, 20, Rectangle(20, 20), blue);
    const std::uint32_t below = pixels[24 * 30 + 15];  // just below the window: full darkness
    EXPECT_EQ(below, (75u << 24) | 75u);
    EXPECT_EQ(pixels[29 * 30 + 15], (12u << 24) | 12u);  // 5 px further: the faint edge
}

TEST(ShadowKernelTest, SharperThanLargeShrinksTheShapeAndEmptyInputGivesNothing) {
    ShadowParams sharp;
    sharp.size = 2;
    sharp.sharpness = 4;
    sharp.offsetY = 0;
    const auto pixels = ComputeShadowPixels(40, 40, Rectangle(40, 40), sharp);
    ASSERT_EQ(pixels.size(), 44u * 44u);
    // Eroded twice: the blur starts inside the window, so the outermost ring is faint.
    EXPECT_LT(pixels[22 * 44 + 0] >> 24, 40u);
    EXPECT_TRUE(ComputeShadowPixels(0, 10, Rectangle(0, 10), ShadowParams()).empty());
    EXPECT_TRUE(ComputeShadowPixels(10, 10, Rectangle(10, 3), ShadowParams()).empty());
}

class ShadowedWindow : public VWindowImpl<ShadowedWindow> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestShadowed"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
    }
    bool OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == WM_CREATE) shadow.Create(m_hWnd);
        return false;
    }
    CWndShadow shadow;
};

class ShadowWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::PrepareToolkitProcess();
        CWndShadow::Initialize();
        ASSERT_TRUE(CWndShadow::ShadowsOn());
    }
};

TEST_F(ShadowWindowTest, ShadowSitsInTheMarginAroundTheWindow) {
    ShadowedWindow window;
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(200, 150, 300, 200), QString(),
                              WS_POPUP | WS_VISIBLE));
    QWidget* widget = window.Widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    Pump();
    EXPECT_EQ(CWndShadow::Of(window), &window.shadow);
    EXPECT_TRUE(window.shadow.IsShown());
    // The client area stays where it was asked to be; the widget grows by the margin.
    EXPECT_EQ(window.GetWindowRect(), UiRect::FromSize(200, 150, 300, 200));
    EXPECT_EQ(window.GetClientRect(), UiRect(0, 0, 300, 200));
    EXPECT_EQ(widget->geometry(), QRect(195, 147, 310, 210));
    EXPECT_EQ(window.shadow.Picture().size(), QSize(310, 210));
    EXPECT_EQ(window.shadow.PictureOffset(), QPoint(-5, -3));

    // The picture covers the widget exactly and is clear under the window.
    EXPECT_EQ(qAlpha(window.shadow.Picture().pixel(155, 100)), 0);
    const QImage shot = widget->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(310, 210));
    EXPECT_EQ(shot.pixelColor(155, 100), QColor(Qt::white));  // the window itself
    EXPECT_EQ(qAlpha(shot.pixel(155, 204)), 75);              // full darkness below it
    EXPECT_EQ(qAlpha(shot.pixel(155, 209)), 12);              // fading out
    EXPECT_EQ(qAlpha(shot.pixel(0, 100)), 12);                // 5 px out of the side
    EXPECT_EQ(qAlpha(shot.pixel(155, 2)), 37);                // 3 px out above the shadow
    EXPECT_EQ(qAlpha(shot.pixel(155, 0)), 12);
}

TEST_F(ShadowWindowTest, GrowingWaitsForThePaintAndShrinkingUpdatesAtOnce) {
    ShadowedWindow window;
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(100, 100, 200, 150), QString(),
                              WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget()));
    Pump();
    ASSERT_FALSE(window.shadow.UpdatePending());

    const int before = window.shadow.UpdateCount();
    window.ResizeClient(260, 180);
    EXPECT_TRUE(window.shadow.UpdatePending());
    EXPECT_EQ(window.shadow.UpdateCount(), before);
    window.UpdateWindow();
    Pump();
    EXPECT_FALSE(window.shadow.UpdatePending());
    EXPECT_EQ(window.shadow.Picture().size(), QSize(270, 190));

    const int grown = window.shadow.UpdateCount();
    window.ResizeClient(220, 160);
    EXPECT_EQ(window.shadow.UpdateCount(), grown + 1);
    EXPECT_EQ(window.shadow.Picture().size(), QSize(230, 170));
}

TEST_F(ShadowWindowTest, MinimisedWindowHidesItsShadowUntilTheNextSize) {
    ShadowedWindow window;
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(100, 100, 200, 150), QString(),
                              WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget()));
    Pump();
    ASSERT_TRUE(window.shadow.IsShown());
    platform::DeliverMessage(window, WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_FALSE(window.shadow.IsShown());
    platform::DeliverMessage(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 150));
    EXPECT_TRUE(window.shadow.IsShown());
}

TEST_F(ShadowWindowTest, RoundCornersLetTheShadowThrough) {
    ShadowedWindow window;
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(100, 100, 200, 150), QString(),
                              WS_POPUP | WS_VISIBLE));
    window.SetCornerRadius(6);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget()));
    window.ResizeClient(201, 150);  // make the shadow again for the round shape
    window.ResizeClient(200, 150);
    Pump();
    int start = 0, end = 0;
    window.ShapeSpan(0, start, end);
    EXPECT_GT(start, 0);
    EXPECT_EQ(end, 200 - start);
    window.ShapeSpan(75, start, end);
    EXPECT_EQ(start, 0);
    const QImage shot = window.Widget()->grab().toImage();
    const QRgb corner = shot.pixel(5 + 199, 3 + 149);  // the client's bottom-right pixel
    EXPECT_GT(qAlpha(corner), 0);
    EXPECT_LT(qRed(corner), 200);  // shadow, not the white client
}

}  // namespace

namespace {

// On a screen at 200 % the shadow is made at that scale: its fade below the window has a step
// on every device row, not a 1x step drawn twice as tall.
TEST_F(ShadowWindowTest, ShadowIsMadeAtTheDeviceScale) {
    ShadowedWindow window;
    ASSERT_TRUE(window.Create(nullptr, UiRect::FromSize(200, 150, 300, 200), QString(),
                              WS_POPUP | WS_VISIBLE));
    QWidget* widget = window.Widget();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    Pump();
    QImage sharp(widget->size() * 2, QImage::Format_ARGB32_Premultiplied);
    sharp.setDevicePixelRatio(2);
    sharp.fill(Qt::transparent);
    widget->render(&sharp, QPoint(), QRegion(), QWidget::DrawChildren);
    // Device rows of the fade below the window (window bottom at widget y 203, shadow to 210).
    std::vector<int> fade;
    for (int y = 2 * 205; y < 2 * 210; ++y)
        fade.push_back(qAlpha(sharp.pixel(2 * 155, y)));
    int repeats = 0;
    for (std::size_t i = 1; i < fade.size(); ++i)
        repeats += fade[i] == fade[i - 1];
    EXPECT_LE(repeats, 2) << "a 1x shadow stretched to 2x";
    EXPECT_GT(fade.front(), fade.back());
    EXPECT_EQ(window.shadow.Picture().size(), QSize(310, 210));  // the 1x picture is kept
}

}  // namespace

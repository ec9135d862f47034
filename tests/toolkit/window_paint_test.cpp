// Painting through the drawing function: only the dirty rectangle, hover repaints at once, the
// animation timer, element drawing and region clipping.

#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/paint_layer.h"
#include "toolkit/window/window_impl.h"

namespace {

using lumeno::test::Hover;
using lumeno::test::Pump;

class PaintWindow : public VWindowImpl<PaintWindow> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestPaint"; }
    void Show(int width = 300, int height = 200) {
        ASSERT_NE(Create(nullptr, UiRect::FromSize(50, 50, width, height), QString(),
                         WS_POPUP | WS_VISIBLE),
                  nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Widget()));
        Pump();
    }
    void DoUI(UiContext& ctx) override {
        if (ctx.mode == UiMode::Paint) paintClips.push_back(ctx.clip);
        if (ctx.mode == UiMode::Timer) ++ticks;
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        if (draw) draw(ctx, root);
    }
    void OnLayout(int width, int height) override { layouts.emplace_back(width, height); }

    std::function<void(UiContext&, UiRegion&)> draw;
    std::vector<UiRect> paintClips;
    std::vector<std::pair<int, int>> layouts;
    int ticks = 0;
};

class WindowPaintTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::PrepareToolkitProcess(); }
};

TEST_F(WindowPaintTest, HoverRepaintsOnlyTheTwoElementsAndAtOnce) {
    PaintWindow window;
    const UiRect first(10, 10, 60, 40);
    const UiRect second(200, 150, 280, 190);
    window.draw = [&](UiContext&, UiRegion& root) {
        UiHitArea(root, first);
        UiHitArea(root, second);
    };
    window.Show();
    window.paintClips.clear();

    Hover(window.Widget(), QPoint(20, 20));
    ASSERT_FALSE(window.paintClips.empty());  // painted before the move returned
    for (const UiRect& clip : window.paintClips) {
        EXPECT_EQ(clip.Intersected(first), clip) << "painted outside the hovered element";
    }
    window.paintClips.clear();
    Hover(window.Widget(), QPoint(220, 160));
    ASSERT_FALSE(window.paintClips.empty());
    const UiRect both = first.United(second);
    for (const UiRect& clip : window.paintClips) {
        EXPECT_EQ(clip.Intersected(both), clip);
        EXPECT_NE(clip, UiRect(0, 0, 300, 200));
    }
}

TEST_F(WindowPaintTest, ElementsOutsideThePaintedAreaAreNotDrawn) {
    PaintWindow window;
    int drawnFar = 0;
    window.draw = [&](UiContext&, UiRegion& root) {
        UiElement far(root, UiRect(250, 150, 290, 190), 0);
        drawnFar += far.Draws();
    };
    window.Show();
    drawnFar = 0;
    window.InvalidateRect(UiRect(0, 0, 40, 40));
    window.UpdateWindow();
    EXPECT_EQ(drawnFar, 0);
    window.InvalidateRect(UiRect(260, 160, 270, 170));
    window.UpdateWindow();
    EXPECT_EQ(drawnFar, 1);
}

TEST_F(WindowPaintTest, AnimationTimerStopsOneTickAfterDrawingStopsAsking) {
    PaintWindow window;
    bool asked = false;
    window.draw = [&](UiContext& ctx, UiRegion&) {
        if (ctx.mode == UiMode::Paint && !asked) {
            ctx.wantAnimation = true;
            asked = true;
        }
        // Three ticks are wanted: the first two ask for more, the third does not.
        if (ctx.mode == UiMode::Timer && window.ticks < 3) ctx.wantMoreTicks = true;
    };
    window.Show();
    EXPECT_TRUE(window.AnimationRunning());
    platform::PumpMessagesUntil([&] { return !window.AnimationRunning(); },
                                std::chrono::seconds(5));
    EXPECT_EQ(window.ticks, 3);
    Pump(350);
    EXPECT_EQ(window.ticks, 3);
    EXPECT_FALSE(window.AnimationRunning());
}

TEST_F(WindowPaintTest, LayoutHookHearsEverySize) {
    PaintWindow window;
    window.Show(300, 200);
    window.ResizeClient(320, 240);
    Pump();
    ASSERT_FALSE(window.layouts.empty());
    EXPECT_EQ(window.layouts.front(), std::make_pair(300, 200));
    EXPECT_EQ(window.layouts.back(), std::make_pair(320, 240));
    EXPECT_EQ(window.GetClientRect(), UiRect(0, 0, 320, 240));
}

TEST_F(WindowPaintTest, ElementsDrawInPlaceAndRegionsClipThem) {
    PaintWindow window;
    int textEnd = 0;
    window.draw = [&](UiContext&, UiRegion& root) {
        UiFill(root, UiRect(10, 10, 20, 20), Qt::red);
        UiLine(root, Qt::blue, QPoint(10, 30), QPoint(20, 30));
        // A region whose bounds cut the fill in half.
        UiRegion panel(root, UiRect(100, 100, 150, 150));
        UiFill(panel, UiRect(25, 0, 80, 50), Qt::green);
        textEnd = UiText(root, nullptr, QStringLiteral("Lumeno 你好"), Qt::black, 10, 50);
    };
    window.Show();
    const QImage shot = window.Widget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(15, 15), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(20, 20), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(10, 30), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(19, 30), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(20, 30), QColor(Qt::white));  // the end point is left out
    EXPECT_EQ(shot.pixelColor(130, 120), QColor(Qt::green));
    EXPECT_EQ(shot.pixelColor(160, 120), QColor(Qt::white));  // outside the region
    EXPECT_GT(textEnd, 10 + 40);
}

TEST_F(WindowPaintTest, CutLabelStaysInsideItsRectangle) {
    PaintWindow window;
    window.draw = [&](UiContext&, UiRegion& root) {
        UiLabel(root, UiRect(10, 10, 80, 40), QStringLiteral("一段很长很长很长的中文 and Latin"),
                nullptr, Qt::black);
    };
    window.Show();
    const QImage shot = window.Widget()->grab().toImage();
    int inked = 0;
    for (int y = 10; y < 40; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (shot.pixelColor(x, y).lightness() < 200) {
                EXPECT_LT(x, 80);
                ++inked;
            }
        }
    }
    EXPECT_GT(inked, 20);
}

TEST_F(WindowPaintTest, CheckBoxFollowsItsStateAndPrintClientDrawsUnbuffered) {
    PaintWindow window;
    bool checked = true;
    window.draw = [&](UiContext&, UiRegion& root) {
        if (UiCheckBox(root, UiRect(10, 10, 150, 30), QStringLiteral("记住密码"), checked, false,
                       Qt::black)) {
            checked = !checked;
        }
    };
    window.Show();
    QImage print(300, 200, QImage::Format_ARGB32_Premultiplied);
    print.fill(Qt::transparent);
    QPainter painter(&print);
    window.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(&painter), 0);
    painter.end();
    // The centre of the box (frame 4: ticked, the brand's blue).
    const QColor ticked = print.pixelColor(10 + 2, 12 + 2);
    EXPECT_GT(ticked.blue(), ticked.red() + 60);

    QTest::mouseClick(window.Widget(), Qt::LeftButton, {}, QPoint(15, 20));
    EXPECT_FALSE(checked);
    Hover(window.Widget(), QPoint(280, 180));
    const QColor empty = window.Widget()->grab().toImage().pixelColor(10 + 2, 12 + 2);
    EXPECT_GT(empty.lightness(), 230);  // frame 0: an empty white box
}

}  // namespace

namespace {

// A paint with holes in it (child windows that paint themselves) goes through the shared layer:
// the pixels come out as a direct paint makes them, at whole and fractional scales, and the
// holes keep what they held.
TEST_F(WindowPaintTest, PaintThroughTheLayerMatchesADirectPaintAndKeepsTheHoles) {
    const auto paint = [](QPainter& painter) {
        painter.fillRect(QRect(0, 0, 200, 160), QColor(250, 250, 252));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(40, 120, 220, 160));
        painter.setPen(QPen(QColor(20, 20, 20), 1.5));
        painter.drawEllipse(QRectF(30.5, 20.5, 140, 110));
        painter.setFont(UiFont(14));
        painter.drawText(QRect(10, 60, 180, 40), Qt::AlignCenter, QStringLiteral("层 Layer"));
        painter.fillRect(QRect(0, 140, 200, 20), QColor(255, 0, 0, 90));
    };
    // The window's area with two holes; every edge falls on whole device pixels at 1.25.
    QRegion region(QRect(0, 0, 200, 160));
    region -= QRect(20, 40, 60, 80);
    region -= QRect(120, 40, 60, 80);
    const QColor backdrop(10, 200, 30, 200);
    for (const qreal scale : {1.0, 1.25, 2.0}) {
        QImage direct(QSize(220, 180) * scale, QImage::Format_ARGB32_Premultiplied);
        direct.setDevicePixelRatio(scale);
        direct.fill(backdrop);
        QImage layered = direct.copy();
        {
            QPainter painter(&direct);
            painter.translate(8, 12);
            painter.setClipRegion(region);
            paint(painter);
        }
        {
            QPainter painter(&layered);
            painter.translate(8, 12);
            ASSERT_TRUE(PaintThroughLayer(painter, region, paint)) << scale;
        }
        int different = 0;
        for (int y = 0; y < direct.height(); ++y) {
            for (int x = 0; x < direct.width(); ++x) {
                const QRgb a = direct.pixel(x, y);
                const QRgb b = layered.pixel(x, y);
                different +=
                    std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                    std::abs(qBlue(a) - qBlue(b)) > 2 || std::abs(qAlpha(a) - qAlpha(b)) > 2;
            }
        }
        EXPECT_EQ(different, 0) << scale;
        // A hole and the area around the window keep the backdrop.
        EXPECT_EQ(layered.pixel(QPoint(8 + 50, 12 + 80) * scale), direct.pixel(0, 0)) << scale;
        EXPECT_EQ(layered.pixel(QPoint(4, 4) * scale), direct.pixel(0, 0)) << scale;
        // Painted through the layer at all: the ellipse's blue shows between the holes.
        EXPECT_GT(layered.pixelColor(QPoint(8 + 100, 12 + 75) * scale).blue(), 150) << scale;
    }
    // A region of one rectangle needs no layer: the caller paints it directly.
    QImage plain(50, 50, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&plain);
    EXPECT_FALSE(PaintThroughLayer(painter, QRegion(0, 0, 50, 50), paint));
}

}  // namespace

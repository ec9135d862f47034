// The skinned scroll bar following a list: showing and hiding, page clicks, dragging the thumb,
// the wheel accumulator and redraw suppression.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/skin/skin_images.h"

namespace {

using lumeno::test::Pump;
using lumeno::test::SendButton;

class Page : public VWindowImpl<Page>, public IListBoxOwner {
  public:
    static std::string_view WindowClassName() { return "LumenoTestScrollPage"; }
    void DoUI(UiContext&) override {}
    void DrawRow(UiContext&, int, const UiRect&) override {}
};

class ScrollBarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::PrepareToolkitProcess();
        // One line per notch, as the desktop may be set; the wheel test also tries three.
        QApplication::setWheelScrollLines(1);
        ASSERT_TRUE(page_.Create(nullptr, UiRect::FromSize(0, 0, 320, 400), QString(),
                                 WS_POPUP | WS_VISIBLE));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page_.Widget()));
        list_.SetRowHeight(40);
        ASSERT_TRUE(list_.Create(page_, UiRect(0, 0, 320, 400)));
        bar_.SetThumbImage(&SkinImage("sb_top.png"));
        bar_.SetTrackImage(&SkinImage("sb_back.png"));
        ASSERT_TRUE(bar_.Create(page_));
        bar_.SetOffsets(0, -12);
        ASSERT_TRUE(bar_.Attach(list_));
    }
    void Wheel(HWND target, int delta) {
        platform::SendMessage(target, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
    }

    Page page_;
    CVirtualListBox list_{&page_};
    CVirtualScrollBar bar_;
};

TEST_F(ScrollBarTest, BarSitsAlongTheListsRightEdgeAndShowsOnlyWhenNeeded) {
    list_.SetCount(5);  // 5 rows of 40 fit in 400
    EXPECT_FALSE(bar_.Shown());
    EXPECT_FALSE(bar_.IsWindowVisible());
    list_.SetCount(1000);
    EXPECT_TRUE(bar_.Shown());
    UiRect rect;
    ASSERT_TRUE(bar_.GetRectInParent(rect));
    EXPECT_EQ(rect, UiRect(310, 0, 320, 400));
    EXPECT_EQ(bar_.CurrentThumbHeight(), 30);  // never shorter than 30

    // A list that shrinks until everything fits hides the bar and goes back to the top.
    list_.SetTopIndex(500);
    list_.SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(bar_.Info().pos, 501);
    list_.SetRedraw(false);
    list_.SetCount(8);
    list_.SetRedraw(true);
    list_.Widget()->grab();  // the list's next paint brings the bar along
    EXPECT_FALSE(bar_.Shown());
    EXPECT_EQ(list_.GetTopIndex(), 0);
}

TEST_F(ScrollBarTest, QuickClickOnTheTrackTurnsAPageSlowPressDoesNot) {
    list_.SetCount(1000);
    Pump();
    ASSERT_EQ(bar_.ThumbTop(), 0);
    QWidget* bar = bar_.Widget();
    SendButton(bar, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 300), 20000);
    SendButton(bar, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(5, 300), 20200);
    EXPECT_EQ(list_.GetTopIndex(), 10);  // one page of 10 rows
    EXPECT_GT(bar_.ThumbTop(), 0);

    SendButton(bar, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 300), 30000);
    SendButton(bar, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(5, 300), 30400);
    EXPECT_EQ(list_.GetTopIndex(), 10);

    SendButton(bar, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 0), 40000);
    SendButton(bar, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(5, 0), 40100);
    EXPECT_EQ(list_.GetTopIndex(), 0);
}

TEST_F(ScrollBarTest, DraggingTheThumbScrollsTheList) {
    list_.SetCount(100000);
    Pump();
    QWidget* bar = bar_.Widget();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_TRUE(bar_.Dragging());
    QTest::mouseMove(bar, QPoint(5, 195));
    EXPECT_EQ(bar_.ThumbTop(), 185);  // half of the travel of 370 pixels
    EXPECT_EQ(list_.GetTopIndex(), 49995);
    QTest::mouseMove(bar, QPoint(5, 290));
    EXPECT_EQ(bar_.ThumbTop(), 280);
    EXPECT_EQ(list_.GetTopIndex(), 75668);  // a row past what 16 bits can carry
    QTest::mouseMove(bar, QPoint(5, 900));
    EXPECT_EQ(bar_.ThumbTop(), 370);
    EXPECT_EQ(list_.GetTopIndex(), 100000 - 10);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, 900));
    EXPECT_FALSE(bar_.Dragging());
}

// Drag, release, grab again: the thumb stays where it was let go, a grab without moving moves
// nothing, and one pixel moves the list by at most the rows one pixel stands for.
TEST_F(ScrollBarTest, ThumbStaysWhereItWasLetGoAndRegrabbingMovesNothing) {
    list_.SetCount(100000);
    Pump();
    QWidget* bar = bar_.Widget();
    const int travel = bar->height() - bar_.CurrentThumbHeight();
    const int rowsPerPixel = (100000 - 10 + travel - 1) / travel;
    int y = 10;
    for (const int drag : {123, 57, -31, 1, 200}) {
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, y));
        ASSERT_TRUE(bar_.Dragging());
        y += drag;
        QTest::mouseMove(bar, QPoint(5, y));
        const int thumb = bar_.ThumbTop();
        const int top = list_.GetTopIndex();
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, y));
        Pump();
        EXPECT_EQ(bar_.ThumbTop(), thumb) << "the thumb jumped on release";
        EXPECT_EQ(list_.GetTopIndex(), top);

        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, y));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, y));
        EXPECT_EQ(list_.GetTopIndex(), top) << "a grab without moving moved the list";
        EXPECT_EQ(bar_.ThumbTop(), thumb);

        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, y));
        QTest::mouseMove(bar, QPoint(5, y + 1));
        EXPECT_LE(std::abs(list_.GetTopIndex() - top), rowsPerPixel);
        EXPECT_GT(list_.GetTopIndex(), top);
        QTest::mouseMove(bar, QPoint(5, y));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, y));
        EXPECT_EQ(list_.GetTopIndex(), top);
    }
}

TEST_F(ScrollBarTest, WheelOverTheListTurnsWholeNotchesIntoLines) {
    list_.SetCount(1000);
    list_.SetTopIndex(100);
    Wheel(list_, -60);
    EXPECT_EQ(list_.GetTopIndex(), 100);
    Wheel(list_, -60);
    EXPECT_EQ(list_.GetTopIndex(), 101);
    EXPECT_EQ(bar_.WheelAccumulator(), 0);
    Wheel(list_, -240);
    EXPECT_EQ(list_.GetTopIndex(), 103);
    Wheel(list_, 120 + 50);
    EXPECT_EQ(list_.GetTopIndex(), 102);
    EXPECT_EQ(bar_.WheelAccumulator(), 50);
    EXPECT_EQ(bar_.Info().pos, 102);  // the bar follows the wheel

    // Over the bar itself a notch turns a page.
    Wheel(bar_, -120);
    EXPECT_EQ(list_.GetTopIndex(), 112);

    // A notch is as many lines as the desktop says.
    QApplication::setWheelScrollLines(3);
    Wheel(list_, -170);  // with the 50 left over: one notch
    EXPECT_EQ(list_.GetTopIndex(), 115);
    EXPECT_EQ(bar_.WheelAccumulator(), 0);
    QApplication::setWheelScrollLines(1);
}

TEST_F(ScrollBarTest, BarWaitsWhileTheListRebuildsWithRedrawOff) {
    list_.SetCount(1000);
    list_.SetTopIndex(300);
    list_.SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_EQ(bar_.Info().pos, 301);
    list_.SetRedraw(false);
    list_.ResetContent();
    list_.SetCount(2000);
    list_.SetTopIndex(1200);
    EXPECT_EQ(bar_.Info().pos, 301);  // not following yet
    list_.SetRedraw(true);
    EXPECT_EQ(bar_.Info().pos, 301);
    list_.Widget()->grab();  // the list's paint
    EXPECT_EQ(bar_.Info().pos, 1200);
    EXPECT_EQ(bar_.Info().max, 1999);
}

TEST_F(ScrollBarTest, BarWithoutImagesOrTargetStaysHarmless) {
    CQVScrollBar bare;
    ASSERT_TRUE(bare.Create(page_));
    bare.Synchronise();  // no target: nothing to follow
    EXPECT_FALSE(bare.Shown());
    EXPECT_FALSE(bare.Attach(reinterpret_cast<HWND>(0x7777)));
    bare.Widget()->grab();
}

}  // namespace

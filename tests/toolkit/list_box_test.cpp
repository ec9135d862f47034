// The data-less lists: only visible rows reach the owner, row heights of the variable list, the
// hover row, and the list-box messages.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <set>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/lists/list_box.h"

namespace {

using lumeno::test::Hover;
using lumeno::test::Pump;

// A page that owns a list and records what the list asked of it.
class ListPage : public VWindowImpl<ListPage>, public IListBoxOwner {
  public:
    static std::string_view WindowClassName() { return "LumenoTestListPage"; }
    void DoUI(UiContext&) override {}
    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override {
        if (ctx.mode == UiMode::Paint) {
            painted.insert(index);
            ++paintCalls;
            UiRegion row(ctx);
            UiFill(row, rect, index % 2 ? QColor(240, 246, 249) : QColor(Qt::white));
        }
        if (ctx.mode == UiMode::Mouse) {
            UiRegion row(ctx);
            const UiHit hit = UiHitTest(row, rect);
            if (hit == UiHit::DoubleClicked) opened.push_back(index);
            if (hit == UiHit::Clicked) clicked.push_back(index);
        }
    }
    void DrawBackground(UiContext&) override { ++backgrounds; }
    void DrawEmpty(UiContext&) override { ++empties; }
    void OnMouseLeave() override { ++leaves; }

    void Reset() {
        painted.clear();
        paintCalls = 0;
        backgrounds = 0;
        empties = 0;
    }
    std::set<int> painted;
    int paintCalls = 0;
    int backgrounds = 0;
    int empties = 0;
    int leaves = 0;
    std::vector<int> opened;
    std::vector<int> clicked;
};

class ListBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lumeno::test::PrepareToolkitProcess();
        ASSERT_TRUE(page_.Create(nullptr, UiRect::FromSize(0, 0, 300, 400), QString(),
                                 WS_POPUP | WS_VISIBLE));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page_.Widget()));
    }
    ListPage page_;
};

TEST_F(ListBoxTest, LongListPaintsOnlyTheRowsOnScreen) {
    CVirtualListBox list(&page_);
    list.SetRowHeight(56);
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    EXPECT_EQ(list.GetDlgCtrlID(), CListBoxWindow::kControlId);
    list.SetCount(100000);
    list.SetTopIndex(50000);
    Pump();
    page_.Reset();
    list.Widget()->grab();
    // 400 / 56 = 7 rows and the one cut at the bottom.
    EXPECT_EQ(page_.painted,
              (std::set<int>{50000, 50001, 50002, 50003, 50004, 50005, 50006, 50007}));
    EXPECT_EQ(page_.backgrounds, 1);

    // Scrolling repaints: still only what is on screen.
    page_.Reset();
    list.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(list.GetTopIndex(), 50007);
    EXPECT_LE(page_.paintCalls, 8);
    EXPECT_GE(*page_.painted.begin(), 50007);

    list.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_EQ(list.GetTopIndex(), 100000 - 7);  // the last page is whole
    ScrollInfo info;
    ASSERT_TRUE(list.GetVScrollInfo(info));
    EXPECT_EQ(info, (ScrollInfo{0, 99999, 7, 99993}));
}

TEST_F(ListBoxTest, EmptyListCallsOnlyDrawEmpty) {
    CVirtualListBox list(&page_);
    list.SetRowHeight(56);
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    Pump();
    page_.Reset();
    list.Widget()->grab();
    EXPECT_EQ(page_.empties, 1);
    EXPECT_EQ(page_.backgrounds, 0);
    EXPECT_EQ(page_.paintCalls, 0);
}

TEST_F(ListBoxTest, VariableRowsKeepTheHeightTheyWereInsertedWith) {
    CVirtualListBoxNofixLineHeight list(&page_);
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    for (int i = 0; i < 30; ++i) {
        list.SetRowHeight(i % 5 == 0 ? 40 : 56);  // a header, then four items
        list.InsertItem();
    }
    EXPECT_EQ(list.GetCount(), 30);
    EXPECT_EQ(list.GetItemRect(0), UiRect(0, 0, 300, 40));
    EXPECT_EQ(list.GetItemRect(1), UiRect(0, 40, 300, 96));
    EXPECT_EQ(list.GetItemRect(5), UiRect(0, 264, 300, 304));
    list.SetTopIndex(5);
    EXPECT_EQ(list.GetItemRect(5), UiRect(0, 0, 300, 40));
    EXPECT_EQ(list.GetItemRect(4), UiRect(0, -56, 300, 0));
    EXPECT_EQ(list.RowAt(10, 50), 6);
    UiRect rect;
    EXPECT_EQ(list.SendMessage(LB_GETITEMRECT, 6, reinterpret_cast<LPARAM>(&rect)), 0);
    EXPECT_EQ(rect, UiRect(0, 40, 300, 96));

    // A row inserted in the middle keeps its own height and moves the rest down.
    list.SetRowHeight(100);
    list.InsertItem(6);
    EXPECT_EQ(list.GetItemRect(6), UiRect(0, 40, 300, 140));
    EXPECT_EQ(list.GetItemRect(7), UiRect(0, 140, 300, 196));

    // The bottom: the last rows fill the list without a gap.
    list.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    const int bottom = list.GetItemRect(list.GetCount() - 1).bottom;
    EXPECT_LE(bottom, 400);
    EXPECT_GT(bottom + list.GetItemRect(list.GetTopIndex() - 1).Height(), 400);
}

TEST_F(ListBoxTest, HoverBelowTheLastRowHighlightsNothing) {
    CVirtualListBoxNofixLineHeight list(&page_);
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    list.SetRowHeight(56);
    list.InsertItem();
    list.InsertItem();
    Hover(list.Widget(), QPoint(50, 70));
    EXPECT_EQ(list.HoverRow(), 1);
    Hover(list.Widget(), QPoint(50, 200));  // below the last row
    EXPECT_EQ(list.HoverRow(), -1);
    Hover(list.Widget(), QPoint(50, 10));
    EXPECT_EQ(list.HoverRow(), 0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(list.Widget(), &leave);
    EXPECT_EQ(list.HoverRow(), -1);
    EXPECT_EQ(page_.leaves, 1);
}

// After the wheel or the keyboard scrolls a list under a resting pointer, the highlighted row is
// the one under the pointer, not the one that was there.
TEST_F(ListBoxTest, HoverFollowsTheRowUnderThePointerAfterScrolling) {
    QApplication::setWheelScrollLines(3);
    CVirtualListBox list(&page_);
    list.SetRowHeight(40);
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    list.SetCount(100);
    Hover(list.Widget(), QPoint(50, 90));
    EXPECT_EQ(list.HoverRow(), 2);
    platform::SendMessage(list, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_EQ(list.GetTopIndex(), 3);  // the desktop's three lines per notch
    EXPECT_EQ(list.HoverRow(), 5);
    QTest::keyClick(list.Widget(), Qt::Key_Down);
    EXPECT_EQ(list.GetTopIndex(), 4);
    EXPECT_EQ(list.HoverRow(), 6);
}

// Double-clicking a second row repaints the first, which the owner no longer marks.
TEST_F(ListBoxTest, ClickThatChangesTheOwnersStateRepaintsEveryVisibleRow) {
    CVirtualListBox list(&page_);
    list.SetRowHeight(40);
    list.SetWantDoubleClicks(true);
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    list.SetCount(20);
    QWidget* widget = list.Widget();
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mouseDClick(widget, Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(100, 50));
    Pump();
    page_.Reset();
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(100, 130));
    QTest::mouseDClick(widget, Qt::LeftButton, {}, QPoint(100, 130));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(100, 130));
    Pump();
    EXPECT_EQ(page_.opened, (std::vector<int>{1, 3}));
    EXPECT_TRUE(page_.painted.count(1)) << "the row opened before still shows as opened";
}

// A row that arrives above a held press moves the pressed row away: the release clicks nothing,
// rather than the row that came to lie under the pointer.
TEST_F(ListBoxTest, RowsArrivingUnderAHeldPressCancelTheClick) {
    CVirtualListBoxNofixLineHeight list(&page_);
    list.SetRowHeight(40);
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    for (int i = 0; i < 5; ++i)
        list.InsertItem();
    QWidget* widget = list.Widget();
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(page_.clicked, std::vector<int>{2});
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(100, 100));
    list.InsertItem(0);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(page_.clicked, std::vector<int>{2});
    EXPECT_EQ(list.HoverRow(), 2);  // the row under the pointer now
}

TEST_F(ListBoxTest, RowsHitTestThroughTheOwner) {
    CVirtualListBox list(&page_);
    list.SetRowHeight(45);
    list.SetWantDoubleClicks(true);
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    list.SetCount(20);
    list.SetTopIndex(3);
    QTest::mouseClick(list.Widget(), Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseDClick(list.Widget(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(page_.opened, std::vector<int>{3 + 100 / 45});
}

TEST_F(ListBoxTest, ResetAndSmallCountsKeepTheTopInRange) {
    CVirtualListBox list(&page_);
    list.SetRowHeight(0);  // a row height of nothing divides nothing
    ASSERT_TRUE(list.Create(page_, UiRect(0, 0, 300, 400)));
    list.SetCount(10);
    list.Widget()->grab();
    EXPECT_EQ(list.RowAt(5, 5), -1);
    list.SetRowHeight(56);
    list.SetTopIndex(8);
    EXPECT_EQ(list.GetTopIndex(), 3);  // 10 rows, 7 whole ones fit
    list.SetCount(4);
    EXPECT_EQ(list.GetTopIndex(), 0);
    EXPECT_EQ(list.SendMessage(LB_SETTOPINDEX, 9, 0), LB_ERR);
    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.RowAt(5, 5), -1);
}

}  // namespace

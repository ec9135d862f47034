// The owner-drawn section list that scrolls by pixels.

#include <gtest/gtest.h>

#include <QTest>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/lists/dui_list_box.h"

namespace {

class SectionOwner final : public IDuiListBoxOwner {
  public:
    void DrawItem(UiContext& ctx, int index, QString text, const UiRect& rect) override {
        if (ctx.mode == UiMode::Paint) drawn.emplace_back(index, rect);
        texts.push_back(text);
    }
    void DrawEmpty(UiContext&) override { ++empties; }
    std::vector<std::pair<int, UiRect>> drawn;
    std::vector<QString> texts;
    int empties = 0;
};

class Holder : public VWindowImpl<Holder> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestDuiHolder"; }
    void DoUI(UiContext&) override {}
};

TEST(DuiListBoxTest, SectionsStackAndOnlyVisibleOnesAreDrawn) {
    lumeno::test::PrepareToolkitProcess();
    Holder holder;
    ASSERT_TRUE(
        holder.Create(nullptr, UiRect::FromSize(0, 0, 400, 300), QString(), WS_POPUP | WS_VISIBLE));
    SectionOwner owner;
    CVDuiListBox list(&owner);
    ASSERT_TRUE(list.Create(holder, UiRect(0, 0, 400, 300)));
    list.Widget()->grab();
    EXPECT_EQ(owner.empties, 1);

    for (int i = 0; i < 10; ++i)
        list.AddItem(QStringLiteral("第%1节").arg(i), 100 + 10 * i);
    list.Layout(true);
    EXPECT_EQ(list.ItemRects()[3], UiRect(0, 330, 400, 460));
    ScrollInfo info;
    ASSERT_TRUE(list.GetVScrollInfo(info));
    EXPECT_EQ(info.max, 1450);  // the sum of the heights
    EXPECT_EQ(info.page, 300);
    EXPECT_TRUE(list.ScrollBar().Shown());

    list.SetScrollPosition(340);
    owner.drawn.clear();
    list.Widget()->grab();
    ASSERT_FALSE(owner.drawn.empty());
    EXPECT_EQ(owner.drawn.front().first, 3);
    EXPECT_EQ(owner.drawn.front().second, UiRect(0, -10, 400, 120));
    EXPECT_EQ(owner.drawn.back().first, 5);  // section 6 starts below the list
    EXPECT_EQ(owner.texts.back(), QStringLiteral("第5节"));

    // Scrolling by lines and to the ends stays within the range.
    list.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(list.ScrollPosition(), 370);
    list.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_EQ(list.ScrollPosition(), 1450 - 300 + 1);
    list.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
    EXPECT_EQ(list.ScrollPosition(), 0);

    // Everything fits again: no bar.
    list.ClearItems();
    list.AddItem(QStringLiteral("只有一节"), 50);
    list.Layout(true);
    EXPECT_FALSE(list.ScrollBar().Shown());
}

}  // namespace

// The scroll bar's arithmetic, including the cases that would divide by nothing.

#include <gtest/gtest.h>

#include "toolkit/lists/scroll_geometry.h"

namespace {

TEST(ScrollGeometryTest, ThumbHeightIsThePagesShareAndNeverBelowThirty) {
    EXPECT_EQ(ThumbHeight({0, 0, 10, 0}, 300), 30);    // max <= min
    EXPECT_EQ(ThumbHeight({0, 9, 10, 0}, 300), 0);     // everything fits
    EXPECT_EQ(ThumbHeight({0, 99, 10, 0}, 300), 30);   // 300 / 100 * 10
    EXPECT_EQ(ThumbHeight({0, 19, 10, 0}, 300), 150);  // 300 / 20 * 10
    EXPECT_EQ(ThumbHeight({0, 99999, 5, 0}, 300), 30);
}

TEST(ScrollGeometryTest, ThumbTopFollowsThePosition) {
    const ScrollInfo info{0, 99, 10, 0};
    EXPECT_EQ(ThumbTopForPosition(info, 300, 30), 0);
    EXPECT_EQ(ThumbTopForPosition({0, 99, 10, 99}, 300, 30), 270);  // the bottom edge
    EXPECT_EQ(ThumbTopForPosition({0, 99, 10, 33}, 300, 30), 99);   // 270 * 33 / 90
    EXPECT_EQ(ThumbTopForPosition({0, 99, 10, 100}, 300, 30), -1);  // outside the range
    EXPECT_EQ(ThumbTopForPosition({0, 99, 10, -1}, 300, 30), -1);
    EXPECT_EQ(ThumbTopForPosition({5, 5, 10, 5}, 300, 30), -1);  // an empty range
}

TEST(ScrollGeometryTest, PositionFollowsTheThumbWithinTheRange) {
    const ScrollInfo info{0, 99, 10, 0};
    EXPECT_EQ(PositionForThumbTop(info, 300, 30, 0), 0);
    EXPECT_EQ(PositionForThumbTop(info, 300, 30, 270), 90);  // the last page's top row
    EXPECT_EQ(PositionForThumbTop(info, 300, 30, 135), 45);
    EXPECT_EQ(PositionForThumbTop(info, 300, 30, 10000), 99);
    EXPECT_EQ(PositionForThumbTop(info, 300, 30, -50), 0);
}

TEST(ScrollGeometryTest, BarNoTallerThanItsThumbOrRangeWithinAPageDividesByNothing) {
    EXPECT_EQ(PositionForThumbTop({0, 99, 10, 40}, 30, 30, 0), 0);   // no travel
    EXPECT_EQ(PositionForThumbTop({0, 99, 10, 40}, 20, 30, 5), 0);   // thumb taller than bar
    EXPECT_EQ(PositionForThumbTop({3, 12, 10, 5}, 300, 0, 100), 3);  // max - page - min + 1 = 0
    EXPECT_EQ(ClampThumbTop(50, 20, 30), 0);
    EXPECT_EQ(ClampThumbTop(-5, 300, 30), 0);
    EXPECT_EQ(ClampThumbTop(400, 300, 30), 270);
    EXPECT_EQ(ThumbTopForPosition({0, 99, 10, 99}, 20, 30), 0);
}

// The thumb top of a position and the position of a thumb top are exact inverses, and one pixel
// of travel never moves the list by more rows than a pixel stands for.
TEST(ScrollGeometryTest, ThumbAndPositionAreExactInverses) {
    for (const int barHeight : {400, 339, 97}) {
        const ScrollInfo info{0, 99999, 7, 0};
        const int thumb = ThumbHeight(info, barHeight);
        const int travel = barHeight - thumb;
        const int perPixel = (99999 - 7 + 1 + travel - 1) / travel;
        int previous = PositionForThumbTop(info, barHeight, thumb, 0);
        for (int top = 0; top <= travel; ++top) {
            const int position = PositionForThumbTop(info, barHeight, thumb, top);
            ScrollInfo at = info;
            at.pos = position;
            ASSERT_EQ(ThumbTopForPosition(at, barHeight, thumb), top) << barHeight << " " << top;
            ASSERT_LE(position - previous, perPixel);
            previous = position;
        }
        EXPECT_EQ(previous, 99999 - 7 + 1);  // the bottom shows the last page
    }
}

TEST(ScrollGeometryTest, NeedsScrollingWhenMoreThanAPage) {
    EXPECT_FALSE((ScrollInfo{0, 9, 10, 0}.NeedsScrolling()));
    EXPECT_TRUE((ScrollInfo{0, 10, 10, 0}.NeedsScrolling()));
    EXPECT_FALSE((ScrollInfo{0, 10, 0, 0}.NeedsScrolling()));
}

}  // namespace

// Member lists, card summaries, emoji codes and display times.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "api/display_time.h"
#include "api/record_rules.h"

namespace {

TEST(SplitMemberIds, GroupsKeepEveryoneOthersKeepThePeer) {
    std::string uids = "a,b,c";
    EXPECT_EQ(SplitMemberIds(uids, 3, "a"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(uids, "a,b,c");
    EXPECT_EQ(SplitMemberIds(uids, 2, "A"), (std::vector<std::string>{"b"}));
    EXPECT_EQ(uids, "b");
    std::string self = "me";
    EXPECT_TRUE(SplitMemberIds(self, 1, "me").empty());
    EXPECT_EQ(self, "me");
}

TEST(SummaryText, CardsGetLabelsOnlyWhenEmpty) {
    std::string text;
    SummaryTextForType(text, 101);
    EXPECT_EQ(text, "[人脉名片]");
    text.clear();
    SummaryTextForType(text, 105);
    EXPECT_EQ(text, "[简历]");
    for (int type : {100, 102, 103, 104}) {
        text.clear();
        SummaryTextForType(text, type);
        EXPECT_EQ(text, "[职位]");
    }
    text.clear();
    SummaryTextForType(text, 106);
    EXPECT_EQ(text, "");
    text = "hello";
    SummaryTextForType(text, 101);
    EXPECT_EQ(text, "hello");
}

TEST(ReplaceEmoji, ReplacesTheThreeEmojiAndNothingElse) {
    std::string text = "hi \xF0\x9F\x98\x84\xF0\x9F\x98\x8A!\xF0\x9F\x98\x83 \xF0\x9F\x98\x80";
    ReplaceEmoji(text);
    EXPECT_EQ(text, "hi [smiles_01_01][smiles_01_02]![smiles_01_03] \xF0\x9F\x98\x80");
    std::string cut = "x\xF0\x9F\x98";
    ReplaceEmoji(cut);
    EXPECT_EQ(cut, "x\xF0\x9F\x98") << "an incomplete sequence stays";
    std::string one = "a";
    ReplaceEmoji(one);
    EXPECT_EQ(one, "a");
}

class DisplayTimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    static std::time_t At(int year, int month, int day, int hour, int minute) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        return timegm(&tm);
    }
};

TEST_F(DisplayTimeTest, LabelsFollowTheDistanceFromNow) {
    const std::time_t now = At(2026, 12, 20, 15, 0);  // a Sunday
    EXPECT_EQ(FormatDisplayTime(At(2026, 12, 20, 9, 5), now), "09:05");
    EXPECT_EQ(FormatDisplayTime(At(2026, 12, 19, 22, 0), now), "昨天") << "Saturday seen on Sunday";
    EXPECT_EQ(FormatDisplayTime(At(2026, 12, 16, 8, 0), now), "周三");
    EXPECT_EQ(FormatDisplayTime(At(2026, 12, 3, 8, 0), now), "03日");
    EXPECT_EQ(FormatDisplayTime(At(2026, 11, 30, 8, 0), now), "11-30");
    EXPECT_EQ(FormatDisplayTime(At(2025, 3, 4, 8, 0), now), "2025-03-04");
    const std::time_t monday = At(2026, 12, 21, 10, 0);
    EXPECT_EQ(FormatDisplayTime(At(2026, 12, 20, 10, 0), monday), "昨天");
}

TEST(WeekdayName, NamesAndFallback) {
    EXPECT_EQ(WeekdayName(1), "周日");
    EXPECT_EQ(WeekdayName(7), "周六");
    EXPECT_EQ(WeekdayName(0), "周一");
    EXPECT_EQ(WeekdayName(8), "周一");
}

}  // namespace

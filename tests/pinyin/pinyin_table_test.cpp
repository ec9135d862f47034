// The generated GB2312 syllable table: its shape, the known rows, and that it covers exactly the
// characters of GB2312.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/pinyin/gb2312_chars.h"
#include "util/pinyin/gb2312_syllables.h"

namespace {

using lumeno::test::Gb2312Char;

std::string Syllable(int code) {
    const char* s = Gb2312Syllable(code);
    return s ? s : "-";
}

TEST(PinyinTableTest, FirstAndLastLevelOneRanges) {
    const struct {
        int first, last;
        const char* syllable;
    } known[] = {{1601, 1602, "A"},   {1603, 1615, "AI"},   {1616, 1624, "AN"},
                 {1625, 1627, "ANG"}, {1628, 1636, "AO"},   {1637, 1654, "BA"},
                 {5566, 5573, "ZU"},  {5574, 5575, "ZUAN"}, {5576, 5579, "ZUI"},
                 {5580, 5581, "ZUN"}, {5582, 5589, "ZUO"},  {3431, 3444, "LV"}};
    for (const auto& range : known) {
        for (int code = range.first; code <= range.last; ++code)
            EXPECT_EQ(Syllable(code), range.syllable) << code;
        EXPECT_NE(Syllable(range.first - 1), range.syllable) << range.first;
        EXPECT_NE(Syllable(range.last + 1), range.syllable) << range.last;
    }
}

TEST(PinyinTableTest, LevelTwoCharactersHaveTheirOwnSyllables) {
    for (int code : {5601, 5927, 6680, 6732})
        EXPECT_EQ(Syllable(code), "CHU") << code;
    EXPECT_EQ(Syllable(5603), "WU");
    EXPECT_EQ(Syllable(8555), "HUAI");
    EXPECT_EQ(Syllable(8737), "KUAN");
}

TEST(PinyinTableTest, CodesWithoutCharactersHaveNoSyllable) {
    for (int code : {0, 101, 155, 994, 1001, 1594, 1600, 1695, 5590, 5594, 5600, 8795, 8801, 9401})
        EXPECT_EQ(Gb2312Syllable(code), nullptr) << code;
}

// Every Chinese character of GB2312 has a syllable, and no other code does.
TEST(PinyinTableTest, CoversExactlyTheCharactersOfGb2312) {
    int characters = 0;
    for (int row = 1; row <= 94; ++row) {
        for (int cell = 1; cell <= 94; ++cell) {
            const int code = row * 100 + cell;
            const std::string character = Gb2312Char(code);
            const bool chinese = !character.empty() && row >= 16;
            EXPECT_EQ(Gb2312Syllable(code) != nullptr, chinese) << code;
            characters += chinese ? 1 : 0;
        }
    }
    EXPECT_EQ(characters, 6763);
}

// Level 1 is in pinyin order: once a syllable's range ends, it never comes back.
TEST(PinyinTableTest, LevelOneHoldsOneRangePerSyllableInPinyinOrder) {
    std::set<std::string> finished;
    std::string current;
    std::string previous;
    auto order = [](std::string s) {
        for (std::size_t at; (at = s.find('V')) != std::string::npos;)
            s.replace(at, 1, "U\x01");
        return s;
    };
    for (int code = 1601; code <= 5589; ++code) {
        const char* s = Gb2312Syllable(code);
        if (!s || s == current) continue;
        EXPECT_EQ(finished.count(s), 0u) << s << " again at " << code;
        if (!current.empty()) {
            finished.insert(current);
            EXPECT_LT(order(current), order(s)) << code;
        }
        current = s;
    }
    EXPECT_GE(finished.size() + 1, 390u);
}

}  // namespace

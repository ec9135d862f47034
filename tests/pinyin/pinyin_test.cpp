// Converting text to pinyin in both forms: modes, Latin text, punctuation, characters outside
// GB2312, and independence from the process locale.
#include "util/pinyin/pinyin.h"

#include <gtest/gtest.h>

#include <clocale>

#include "tests/pinyin/gb2312_chars.h"
#include "util/pinyin/chinese_to_pinyin.h"
#include "util/utf.h"

namespace {

using lumeno::test::Gb2312Char;

std::string Component(const std::string& text, int mode) {
    KesPtr<IChineseToPinyin> converter;
    IKesPlugin* plugin = nullptr;
    if (CChineseToPinyin::Create(&plugin) != S_OK) return "<no component>";
    converter = KesPtr<IChineseToPinyin>(static_cast<IChineseToPinyin*>(plugin));
    return Utf16ToUtf8(converter->Convert(Utf8ToUtf16(text), mode));
}

TEST(PinyinTest, ModesOfBothForms) {
    const std::string a = Gb2312Char(1602);   // filed under A
    const std::string ai = Gb2312Char(1614);  // filed under AI
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(ai.empty());
    EXPECT_EQ(ToPinyin(a + ai, kPinyinWhole), "aai");
    EXPECT_EQ(ToPinyin(a + ai, kPinyinInitials), "aa");
    EXPECT_EQ(Component(a + ai, 1), "aa");
    EXPECT_EQ(Component(a + ai, 2), "a,ai,");
    EXPECT_EQ(Component(a + ai, 0), "aai");
    EXPECT_EQ(Component(a + ai, 7), "aai");

    EXPECT_EQ(ToPinyin("张三", kPinyinWhole), "zhangsan");
    EXPECT_EQ(ToPinyin("张三", kPinyinInitials), "zs");
    EXPECT_EQ(ToPinyin("欧阳娜娜", kPinyinWhole), "ouyangnana");
}

TEST(PinyinTest, LatinAndDigitsPassThroughLowerCased) {
    EXPECT_EQ(ToPinyin("Ab张3三X9", kPinyinWhole), "abzhang3sanx9");
    EXPECT_EQ(ToPinyin("Ab张3三X9", kPinyinInitials), "abz3sx9");
    EXPECT_EQ(Component("Ab张3三X9", 2), "abzhang,3san,x9");
    EXPECT_EQ(ToPinyin("Bob Chen", kPinyinInitials), "bob chen");
}

TEST(PinyinTest, CharactersWithoutSyllableGiveAQuestionMark) {
    // Row 1 holds the full-width punctuation: the ideographic full stop and comma.
    EXPECT_EQ(ToPinyin("。", kPinyinWhole), "?");
    EXPECT_EQ(ToPinyin("张、三", kPinyinInitials), "z?s");
    EXPECT_EQ(Component("。", 1), "?");
    EXPECT_EQ(Component("。", 2), "?,");
    // A GBK character beyond GB2312 whose trail byte is '@': the byte must not leak as a letter.
    EXPECT_EQ(ToPinyin("丂", kPinyinWhole), "?");
    EXPECT_EQ(ToPinyin("張三", kPinyinWhole), "?san");
    // Nothing in GBK: one question mark per character, however many bytes it has.
    EXPECT_EQ(ToPinyin("a😀b", kPinyinWhole), "a?b");
    EXPECT_EQ(ToPinyin(std::string("x\xE5\xBC") + "y", kPinyinWhole), "x?y") << "cut sequence";
    EXPECT_EQ(ToPinyin(std::string("\xFF\xFE"), kPinyinWhole), "??") << "bytes that are no text";
}

TEST(PinyinTest, GreenIsLvInTheFunctionForm) {
    ASSERT_EQ(Gb2312Char(3444), "绿");
    EXPECT_EQ(ToPinyin("绿", kPinyinWhole), "lv");
    EXPECT_EQ(ToPinyin("绿", kPinyinInitials), "l");
    EXPECT_EQ(ToPinyin("吕女", kPinyinWhole), "lvnv");
}

TEST(PinyinTest, EmptyTextGivesEmptyResult) {
    EXPECT_EQ(ToPinyin("", kPinyinWhole), "");
    EXPECT_EQ(ToPinyin("", kPinyinInitials), "");
    EXPECT_EQ(Component("", 2), "");
}

TEST(PinyinTest, ResultDoesNotDependOnTheLocale) {
    for (const char* locale : {"C", "C.UTF-8", "POSIX"}) {
        std::setlocale(LC_ALL, locale);
        EXPECT_EQ(ToPinyin("林晓 Lin", kPinyinWhole), "linxiao lin") << locale;
        EXPECT_EQ(Utf8ToGbk("张"), "\xD5\xC5") << locale;
    }
    std::setlocale(LC_ALL, "C");
}

TEST(PinyinTest, PolyphonicCharactersTakeTheReadingGb2312FiledThemUnder) {
    // Level 1 is ordered by pinyin: 长 sits among CHANG, 了 among LIAO, 单 among DAN.
    EXPECT_EQ(ToPinyin("长", kPinyinWhole), "chang");
    EXPECT_EQ(ToPinyin("了", kPinyinWhole), "liao");
    EXPECT_EQ(ToPinyin("单", kPinyinWhole), "dan");
}

TEST(PinyinTest, ComponentComesFromTheRegistry) {
    RegisterComponentTable(kPinyinComponentTable);
    ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
    IChineseToPinyin* converter = nullptr;
    ASSERT_EQ(GetComponent(142, &converter), S_OK);
    ASSERT_NE(converter, nullptr);
    EXPECT_EQ(converter->GetId(), 142);
    const std::u16string& first = converter->Convert(u"王芳", 2);
    EXPECT_EQ(first, u"wang,fang,");
    EXPECT_EQ(converter->Convert(u"王芳", 1), u"wf");
    EXPECT_EQ(&first, &converter->Convert(u"x", 0)) << "kept in the component until the next call";
    converter->Release();
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
}

}  // namespace

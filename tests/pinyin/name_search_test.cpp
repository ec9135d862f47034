// Finding a name by its characters, its whole pinyin or its initials.
#include "util/pinyin/name_search.h"

#include <gtest/gtest.h>

namespace {

TEST(NameSearchTest, ZhangSanIsFoundBySpellingInitialsAndCharacters) {
    const NameSearchKeys keys = MakeNameSearchKeys("张三");
    EXPECT_EQ(keys.whole, "zhangsan");
    EXPECT_EQ(keys.initials, "zs");
    for (const char* typed : {"zs", "zhang", "ZS", "Zhang", "san", "gsa", "张", "三", "张三", ""})
        EXPECT_TRUE(NameQuery(typed).Matches(keys)) << typed;
    for (const char* typed : {"zx", "zhangsi", "李", "sz", "s z"})
        EXPECT_FALSE(NameQuery(typed).Matches(keys)) << typed;
}

TEST(NameSearchTest, LatinNamesMatchWithoutRegardToCase) {
    EXPECT_TRUE(NameQuery("alice").Matches("Alice Martin"));
    EXPECT_TRUE(NameQuery("MART").Matches("Alice Martin"));
    EXPECT_FALSE(NameQuery("am").Matches("Alice Martin")) << "initials are of Chinese syllables";
    EXPECT_TRUE(NameQuery("milie").Matches("Émilie Dubois"));
}

TEST(NameSearchTest, MixedNames) {
    EXPECT_TRUE(NameQuery("xiaomishu").Matches("Lumeno小秘书"));
    EXPECT_TRUE(NameQuery("lumenoxms").Matches("Lumeno小秘书"));
    EXPECT_TRUE(NameQuery("lumeno").Matches("Lumeno小秘书"));
}

}  // namespace

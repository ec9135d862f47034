// The cache database: keys of any form, values kept between opens, the file encrypted, and the
// bounds that drop the least recently used values.
#include "storage/image_cache_db.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace {

class ImageCacheDbTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterComponentTable(kStorageComponentTable);
        ASSERT_EQ(GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr)), S_OK);
    }
    std::string Path() const { return dir_ / "imagecache.db"; }

    lumeno::test::TempDir dir_;
    const std::string key_ = std::string(60, 'k');
};

TEST_F(ImageCacheDbTest, AnyKeyIsStoredAndFoundAgainAfterReopening) {
    const std::string quoted = "http://h/a'b.png&42";
    const std::string longKey = "http://h/" + std::string(1000, 'x') + ".png";
    const std::string injection = "x'); drop table tab_0; --";
    {
        ImageCacheDatabase db;
        ASSERT_TRUE(db.Open(Path(), key_, {}));
        EXPECT_TRUE(db.Write(quoted, "first"));
        EXPECT_TRUE(db.Write(longKey, std::string("\0bin\0", 5)));
        EXPECT_TRUE(db.Write(injection, "harmless"));
        EXPECT_TRUE(db.Write(quoted, "second")) << "a key is replaced, not added";
        EXPECT_EQ(db.Rows(), 3u);
    }
    ImageCacheDatabase db;
    ASSERT_TRUE(db.Open(Path(), key_, {}));
    EXPECT_TRUE(db.Contains(longKey));
    EXPECT_EQ(db.Read(quoted).value_or(""), "second");
    EXPECT_EQ(db.Read(longKey).value_or(""), std::string("\0bin\0", 5));
    EXPECT_EQ(db.Read(injection).value_or(""), "harmless");
    EXPECT_FALSE(db.Read("http://h/never.png"));
    EXPECT_EQ(db.Bytes(), 6u + 5u + 8u);

    std::ifstream file(Path(), std::ios::binary);
    std::stringstream raw;
    raw << file.rdbuf();
    EXPECT_EQ(raw.str().find("harmless"), std::string::npos) << "the file is encrypted";
}

TEST_F(ImageCacheDbTest, LeastRecentlyUsedValuesGoFirst) {
    ImageCacheDatabase::Limits limits;
    limits.maxRows = 3;
    ImageCacheDatabase db;
    ASSERT_TRUE(db.Open(Path(), key_, limits));
    for (const char* key : {"a", "b", "c"})
        db.Write(key, "v");
    ASSERT_TRUE(db.Read("a"));  // a is now the most recently used
    db.Write("d", "v");
    EXPECT_TRUE(db.Contains("a"));
    EXPECT_FALSE(db.Contains("b"));
    EXPECT_TRUE(db.Contains("c"));
    EXPECT_TRUE(db.Contains("d"));
    EXPECT_EQ(db.Rows(), 3u);
}

TEST_F(ImageCacheDbTest, BytesAreBoundedAndOversizedValuesNotKept) {
    ImageCacheDatabase::Limits limits;
    limits.maxBytes = 1000;
    limits.maxValueBytes = 600;
    {
        ImageCacheDatabase db;
        ASSERT_TRUE(db.Open(Path(), key_, limits));
        EXPECT_FALSE(db.Write("huge", std::string(601, 'h')));
        for (int i = 0; i < 5; ++i)
            db.Write("v" + std::to_string(i), std::string(300, 'v'));
        EXPECT_LE(db.Bytes(), 1000u);
        EXPECT_EQ(db.Rows(), 3u);
        EXPECT_TRUE(db.Contains("v4"));
        EXPECT_FALSE(db.Contains("v0"));
    }
    limits.maxBytes = 500;  // a smaller bound applies at the next open
    ImageCacheDatabase db;
    ASSERT_TRUE(db.Open(Path(), key_, limits));
    EXPECT_EQ(db.Rows(), 1u);
    EXPECT_TRUE(db.Contains("v4"));
}

TEST_F(ImageCacheDbTest, FileWithAnotherKeyStartsEmpty) {
    {
        ImageCacheDatabase db;
        ASSERT_TRUE(db.Open(Path(), key_, {}));
        db.Write("a", "v");
    }
    ImageCacheDatabase db;
    ASSERT_TRUE(db.Open(Path(), std::string(60, 'z'), {}));
    EXPECT_EQ(db.Rows(), 0u);
    EXPECT_TRUE(db.Write("a", "w"));
}

}  // namespace

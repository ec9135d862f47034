// Private files and folders.
#include "platform/private_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

TEST(PrivateFiles, FoldersAndFilesAreOnlyTheUsers) {
    lumeno::test::TempDir dir;
    const std::string nested = dir / "a/b/c";
    ASSERT_TRUE(platform::MakePrivateDirectory(nested));
    EXPECT_EQ(ModeOf(nested), 0700u);
    EXPECT_EQ(ModeOf(dir / "a"), 0700u);
    ASSERT_TRUE(platform::AppendToPrivateFile(nested + "/log", "one\n"));
    ASSERT_TRUE(platform::AppendToPrivateFile(nested + "/log", "two\n"));
    EXPECT_EQ(ModeOf(nested + "/log"), 0600u);
    EXPECT_EQ(platform::ReadWholeFile(nested + "/log"), "one\ntwo\n");
    ASSERT_TRUE(platform::WriteFileAtomically(nested + "/config", "x=1\n"));
    EXPECT_EQ(ModeOf(nested + "/config"), 0600u);
}

TEST(PrivateFiles, AtomicReplacementAndReadLimits) {
    lumeno::test::TempDir dir;
    const std::string file = dir / "f";
    ASSERT_TRUE(platform::WriteFileAtomically(file, "old"));
    ASSERT_TRUE(platform::WriteFileAtomically(file, "new content"));
    EXPECT_EQ(platform::ReadWholeFile(file), "new content");
    EXPECT_EQ(platform::ReadWholeFile(file, 3), std::nullopt) << "larger than the limit";
    EXPECT_EQ(platform::FileSize(file), 11);
    EXPECT_EQ(platform::FileSize(dir / "missing"), -1);
    EXPECT_FALSE(platform::ReadWholeFile(dir / "missing"));
    EXPECT_FALSE(platform::WriteFileAtomically(dir / "no/such/folder/f", "x"));
    int entries = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.Path()))
        entries += !entry.path().empty();
    EXPECT_EQ(entries, 1) << "no temporary files left behind";
}

}  // namespace

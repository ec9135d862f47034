// Settings in Config.ini: defaults, writes visible to the next read, and a file that survives
// hand edits, concurrent writers and crashes.
#include "config/config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/directories.h"
#include "tests/support/temp_dir.h"

namespace {

using lumeno::test::TempDir;

class ConfigTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::UseTempDataHome(dir_); }
    void WriteRaw(const std::string& text) { std::ofstream(ConfigFilePath()) << text; }
    TempDir dir_;
};

TEST_F(ConfigTest, FreshProfileGivesEveryDefault) {
    EXPECT_FALSE(ReadConfigFlag(config_keys::kAutoLogin));
    EXPECT_TRUE(ReadConfigFlag(config_keys::kSoundNotify));
    EXPECT_TRUE(ReadConfigFlag(config_keys::kExitToTray));
    EXPECT_TRUE(ReadConfigFlag(config_keys::kShowExitNotify));
    EXPECT_TRUE(ReadConfigFlag(config_keys::kShowCloseDialogNotify));
    EXPECT_FALSE(ReadConfigFlag(config_keys::kCloseAllDialogs));
    EXPECT_EQ(ReadConfig(config_keys::kPresenceTicks), 30);
    EXPECT_EQ(ReadConfig(config_keys::kOnline), 1);
    EXPECT_EQ(ReadConfig(config_keys::kApiHost), "");
    EXPECT_EQ(ReadConfig(config_keys::kPushServer), "");
    EXPECT_EQ(ReadConfig(config_keys::kRestrictedGroup), 0);
    EXPECT_EQ(ReadConfig(config_keys::kSavedAccounts), "");
    EXPECT_FALSE(std::filesystem::exists(ConfigFilePath())) << "reading creates nothing";
}

TEST_F(ConfigTest, WritesAreVisibleToTheNextReadAndPrivate) {
    ASSERT_TRUE(WriteConfigFlag("normal", "exitToTray", false));
    ASSERT_TRUE(WriteConfigString("main", "msg", "127.0.0.1:18080"));
    EXPECT_FALSE(ReadConfigFlag(config_keys::kExitToTray));
    EXPECT_EQ(ReadConfig(config_keys::kApiHost), "127.0.0.1:18080");

    struct stat info {};
    ASSERT_EQ(::stat(ConfigFilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(platform::DataDirectory().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // The replacement leaves no temporary files behind.
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(platform::DataDirectory())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ConfigTest, HandEditsAreReadAtOnceAndOddValuesGiveDefaults) {
    WriteRaw("[main]\ntime=abc\nonline=0\n[group]\nmid=-12\n[normal]\nsoundNotify=99999999999\n");
    EXPECT_EQ(ReadConfig(config_keys::kPresenceTicks), 30) << "not a number";
    EXPECT_EQ(ReadConfig(config_keys::kOnline), 0);
    EXPECT_EQ(ReadConfig(config_keys::kRestrictedGroup), -12);
    EXPECT_EQ(ReadConfig(config_keys::kSoundNotify), 1) << "out of range";
}

TEST_F(ConfigTest, WriteIntoMalformedFileKeepsEveryOtherKey) {
    WriteRaw("\x01\x02 junk\n[normal]\nantoLogin=1\n[[weird]]\n[account]\nsaved=QUJD\n");
    ASSERT_TRUE(WriteConfigFlag("normal", "soundNotify", false));
    EXPECT_TRUE(ReadConfigFlag(config_keys::kAutoLogin));
    EXPECT_EQ(ReadConfig(config_keys::kSavedAccounts), "QUJD");
    EXPECT_FALSE(ReadConfigFlag(config_keys::kSoundNotify));
}

TEST_F(ConfigTest, LongStringsAreCutToTheLimitWithoutSplittingCharacters) {
    std::string value;
    for (int i = 0; i < 3000; ++i)
        value += "张";
    ASSERT_TRUE(WriteConfigString("main", "msg", value));
    std::string read = ReadConfig(config_keys::kApiHost);
    EXPECT_EQ(read.size(), kMaxConfigStringLength * 3);
    EXPECT_EQ(read.substr(0, 3), "张");
    // The whole read is for the values the client itself writes long.
    EXPECT_EQ(ReadConfigWhole("main", "msg"), value);
}

TEST_F(ConfigTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 4, kKeys = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int k = 0; k < kKeys; ++k) {
                WriteConfigString("s" + std::to_string(t), "k" + std::to_string(k),
                                  std::to_string(t * 100 + k));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        for (int k = 0; k < kKeys; ++k) {
            EXPECT_EQ(ReadConfigInt("s" + std::to_string(t), "k" + std::to_string(k), -1),
                      t * 100 + k);
        }
    }
}

}  // namespace

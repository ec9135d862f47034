// Log.ini: the line format, the size rule at start, cutting and literal text.
#include "config/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "platform/private_files.h"
#include "tests/support/temp_dir.h"

namespace {

using lumeno::test::TempDir;

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::UseTempDataHome(dir_); }
    std::vector<std::string> Lines() {
        std::ifstream in(LogFilePath());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void MakeLogOfSize(long long size) {
        std::ofstream out(LogFilePath(), std::ios::binary);
        out << std::string(static_cast<std::size_t>(size), 'x');
    }
    TempDir dir_;
};

TEST_F(LogTest, LinesCarryTimeAndIncreasingEntryNumbers) {
    WriteLog("first %d", 1);
    WriteLogText("second");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    std::regex shape(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{4}_(\d+) (.*))");
    std::smatch first, second;
    ASSERT_TRUE(std::regex_match(lines[0], first, shape)) << lines[0];
    ASSERT_TRUE(std::regex_match(lines[1], second, shape)) << lines[1];
    EXPECT_EQ(first[1], "1");
    EXPECT_EQ(first[2], "first 1");
    EXPECT_EQ(second[1], "2");
    EXPECT_EQ(second[2], "second");
    struct stat info {};
    ASSERT_EQ(::stat(LogFilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(LogTest, TextIsWrittenLiterallyNeverAsAFormat) {
    const std::string url = "http://h/lumeno/a?q=%s%n%d&x=100%25";
    WriteLogText(url);
    WriteLog("%s", url.c_str());
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines) {
        EXPECT_EQ(line.substr(line.find(' ', line.find('_')) + 1), url);
    }
}

TEST_F(LogTest, LongMessagesAreCutAtTheCharacterLimit) {
    std::string message;
    for (std::size_t i = 0; i < kMaxLogMessageLength + 50; ++i)
        message += "长";
    WriteLogText(message);
    WriteLog("%s", std::string(20000, 'a').c_str());
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    std::string cut = lines[0].substr(lines[0].find(' ', lines[0].find('_')) + 1);
    EXPECT_EQ(cut.size(), kMaxLogMessageLength * 3);
    std::string ascii = lines[1].substr(lines[1].find(' ', lines[1].find('_')) + 1);
    EXPECT_EQ(ascii.size(), kMaxLogMessageLength);
}

TEST_F(LogTest, FileOfExactlyTheLimitSurvivesTheFirstEntry) {
    MakeLogOfSize(kMaxLogFileSize);
    WriteLogText("after");
    EXPECT_GT(platform::FileSize(LogFilePath()), kMaxLogFileSize);
}

TEST_F(LogTest, FileOneByteOverTheLimitIsDeletedBeforeTheFirstEntryOnly) {
    MakeLogOfSize(kMaxLogFileSize + 1);
    WriteLogText("fresh");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("fresh"), std::string::npos);
    // Later growth past the limit is left alone for the rest of the run.
    {
        std::ofstream out(LogFilePath(), std::ios::app);
        out << std::string(static_cast<std::size_t>(kMaxLogFileSize), 'y') << '\n';
    }
    WriteLogText("still here");
    EXPECT_GT(platform::FileSize(LogFilePath()), kMaxLogFileSize);
}

}  // namespace

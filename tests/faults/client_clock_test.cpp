// This machine's clock jumps under the running client (a day ahead, an hour behind, then right)
// while the local service keeps the true time. libfaketime moves the wall clock of this process
// alone to what the file in FAKETIME_TIMESTAMP_FILE says; the monotonic clock, which timers
// follow, stays true, as in a real jump.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "tests/faults/fault_matrix.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

// Before main(): the program starts itself again, once, with libfaketime preloaded and reading
// the offset from a file of its own. In that second start the preload is dropped from the
// environment, so the local service and the web engine's processes keep the true clock.
const bool kClockMovable = [] {
    if (const char* file = std::getenv("FAKETIME_TIMESTAMP_FILE")) {
        ::unsetenv("LD_PRELOAD");
        return std::ifstream(file).good();
    }
    char file[] = "/tmp/lumeno-clock-XXXXXX";
    const int fd = ::mkstemp(file);
    if (fd < 0) return false;
    const bool written = ::write(fd, "+0\n", 3) == 3;
    ::close(fd);
    if (!written) return false;
    ::setenv("FAKETIME_TIMESTAMP_FILE", file, 1);
    ::setenv("FAKETIME_CACHE_DURATION", "1", 1);
    ::setenv("FAKETIME_DONT_FAKE_MONOTONIC", "1", 1);
    ::setenv("LD_PRELOAD", LUMENO_FAKETIME_LIBRARY, 1);
    // The sanitizers' runtime need not come first any more.
    const char* asan = std::getenv("ASAN_OPTIONS");
    ::setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(),
             1);
    std::ifstream commandLine("/proc/self/cmdline", std::ios::binary);
    std::vector<std::string> words;
    for (std::string word; std::getline(commandLine, word, '\0');)
        words.push_back(word);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv("/proc/self/exe", argv.data());
    return false;
}();

// The offset's file goes when the program ends.
struct ClockFileRemover {
    ~ClockFileRemover() {
        if (const char* file = std::getenv("FAKETIME_TIMESTAMP_FILE")) std::remove(file);
    }
} const kClockFileRemover{};

// Sets this process's clock `offset` seconds away from the true time; false when it did not move.
bool JumpClock(long offset, std::time_t trueNow) {
    const char* file = std::getenv("FAKETIME_TIMESTAMP_FILE");
    if (!file) return false;
    std::ofstream(file, std::ios::trunc) << (offset < 0 ? "" : "+") << offset << "\n";
    return PumpUntil(
        [&] {
            const long moved = static_cast<long>(std::time(nullptr) - trueNow);
            return moved > offset - 120 && moved < offset + 120;
        },
        10s);
}

TEST_F(FaultMatrixTest, ClockJumpsOfThisMachineLoseNoMessageAndShowNoneTwice) {
    ASSERT_TRUE(kClockMovable) << "could not start again with libfaketime";
    // The true time: the clock is right when the program starts.
    const auto start = std::chrono::steady_clock::now();
    const std::time_t started = std::time(nullptr);
    const auto trueNow = [&] {
        return started + static_cast<std::time_t>(std::chrono::duration_cast<std::chrono::seconds>(
                                                      std::chrono::steady_clock::now() - start)
                                                      .count());
    };
    SignInDemo();
    const std::int32_t conversation = ZhangWeisConversation();
    ASSERT_NE(conversation, 0);
    auto window = Open(conversation);
    ASSERT_TRUE(PumpUntil([&] { return window->PageReady(); }, 30s));
    StallMeter stalls;
    for (const long offset : {86400L, -3600L, 0L}) {
        ASSERT_TRUE(JumpClock(offset, trueNow())) << "the clock did not move to " << offset;
        // A message comes in, and one goes out and is paired with the service's copy.
        const std::string in = "本机时钟跳到 " + std::to_string(offset) + " 时收到";
        const std::string out = "本机时钟跳到 " + std::to_string(offset) + " 时发出";
        Send(conversation, in);
        ASSERT_TRUE(
            PumpUntil([&] { return RowsWithText(*window, QString::fromStdString(in)) == 1; }, 30s))
            << offset;
        TypeAndSend(*window, QString::fromStdString(out));
        ASSERT_TRUE(PumpUntil([&] { return Held(out) == 1; }, 30s)) << offset << ": not sent";
        PumpUntil([] { return false; }, 500ms);
        EXPECT_EQ(RowsWithText(*window, QString::fromStdString(out)), 1) << offset;
        EXPECT_EQ(Held(in), 1) << offset;
        EXPECT_EQ(Conversation(conversation).text, out) << offset;
        const std::vector<std::int32_t>& order = CDBMsgDlg::Instance().Order();
        const auto head = std::find_if(order.begin(), order.end(), [](std::int32_t id) {
            return id != kPendingItemsConversationId;
        });
        ASSERT_NE(head, order.end());
        EXPECT_EQ(*head, conversation) << offset << ": the conversation is not at the head";
    }
    EXPECT_TRUE(Main().SignedIn());
    ExpectNoFreeze(stalls);
    window->DestroyWindow();
}

}  // namespace
}  // namespace lumeno::test

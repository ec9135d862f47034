// The real client started twice: the second copy hands the request to show the main window to
// the first and leaves at once, touching nothing else.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/build_tree.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

pid_t Start(const std::vector<std::string>& arguments, const std::string& dataHome,
            const std::string& runtimeDir) {
    std::vector<std::string> environment = {
        "XDG_DATA_HOME=" + dataHome, "XDG_RUNTIME_DIR=" + runtimeDir, "QT_QPA_PLATFORM=offscreen"};
    for (char** variable = environ; *variable; ++variable) {
        std::string entry = *variable;
        if (entry.rfind("XDG_", 0) != 0 && entry.rfind("QT_QPA_PLATFORM=", 0) != 0) {
            environment.push_back(entry);
        }
    }
    std::vector<char*> argv, envp;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

// The exit status, or -1 when the process is still running after `limit`.
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::seconds limit) {
    auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SecondInstance, HandsShowMainToTheFirstAndLeavesAtOnce) {
    lumeno::test::TempDir dir;
    const std::string runtime = dir / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directories(dir / "first");
    fs::create_directories(dir / "second");

    pid_t first = Start({lumeno::test::build::ClientBinary()}, dir / "first", runtime);
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(runtime + "/LumenoMainFrameClass"); },
                          std::chrono::seconds(30)))
        << "the first instance did not come up";

    auto started = Clock::now();
    pid_t second =
        Start({lumeno::test::build::ClientBinary(), "/autostart"}, dir / "second", runtime);
    ASSERT_GT(second, 0);
    int secondExit = WaitFor(second, std::chrono::seconds(10));
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    EXPECT_EQ(secondExit, 0);
    EXPECT_LT(took.count(), 5000) << "the second instance lingered";
    std::cout << "second instance left after " << took.count() << " ms\n";
    EXPECT_TRUE(fs::is_empty(dir / "second")) << "the second instance made no files of its own";

    const fs::path firstLog = dir / "first/Lumeno/Log.ini";
    EXPECT_TRUE(WaitUntil(
        [&] {
            return ReadFile(firstLog).find("another instance asks to show the main window") !=
                   std::string::npos;
        },
        std::chrono::seconds(10)));
    EXPECT_EQ(WaitFor(first, std::chrono::milliseconds(0)), -1) << "the first instance runs on";

    kill(first, SIGTERM);
    WaitFor(first, std::chrono::seconds(10));
}

TEST(SecondInstance, LeavesSilentlyWhileTheFirstHasNoWindowYet) {
    lumeno::test::TempDir dir;
    const std::string runtime = dir / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    // Hold the lock as a first instance that has not made its window (and channel) yet.
    int lock = ::open((runtime + "/xxxxxxMutex.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    fs::create_directories(dir / "second");
    pid_t second = Start({lumeno::test::build::ClientBinary()}, dir / "second", runtime);
    EXPECT_EQ(WaitFor(second, std::chrono::seconds(10)), 0);
    EXPECT_TRUE(fs::is_empty(dir / "second"));
    ::close(lock);
}

}  // namespace

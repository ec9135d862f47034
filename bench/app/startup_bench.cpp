// Process start to the first frame: the client started with "--first-frame-exit" (it ends once the
// login page has drawn its first frame) against a bare frameless Qt window started the same way,
// alternating, 15 rounds each after a warm-up; medians and their ratio from this run.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 15;

// Runs the program to its end; milliseconds from fork to exit, negative on failure.
double RunOnce(const std::string& program, const std::vector<std::string>& arguments) {
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path home =
        fs::temp_directory_path() / ("lumeno-bench-start-" + std::to_string(getpid()));
    fs::create_directories(home / "data");
    fs::create_directories(home / "runtime");
    fs::permissions(home / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const std::string client = LUMENO_BENCH_CLIENT;
    const std::string bare = LUMENO_BENCH_BARE;
    if (RunOnce(client, {"--first-frame-exit"}) < 0 || RunOnce(bare, {}) < 0) {
        std::fprintf(stderr, "a program did not start and end cleanly\n");
        fs::remove_all(home);
        return 1;
    }
    std::vector<double> clientMs, bareMs;
    for (int i = 0; i < kRounds; ++i) {
        const double c = RunOnce(client, {"--first-frame-exit"});
        const double b = RunOnce(bare, {});
        if (c < 0 || b < 0) {
            std::fprintf(stderr, "round %d failed\n", i);
            fs::remove_all(home);
            return 1;
        }
        clientMs.push_back(c);
        bareMs.push_back(b);
    }
    fs::remove_all(home);
    const double c = Median(clientMs), b = Median(bareMs);
    std::printf(
        "start to first frame (median of %d): client login page %.1f ms, bare window %.1f ms\n",
        kRounds, c, b);
    std::printf("ratio client / bare: %.2fx\n", c / b);
    return 0;
}

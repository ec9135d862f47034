// The real client crashing on purpose through its hidden switch: a null write on a pool thread
// and an exception nothing catches on the UI thread. Each crash must leave the full report in the
// dump folder and the small one in the data folder, both naming the crashing function, start the
// reporter (here in its recording mode, which leaves a note instead of a window), and end the
// process by the signal. The reports must not carry the secrets seeded into the log.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/crash/crash_names.h"
#include "tests/support/build_tree.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace lumeno::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kSecrets[] = {"SECRETTOKEN42", "hunter2pass", "MEETATNINE"};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of one thread's section, from its heading to the next thread or table.
std::string Section(const std::string& report, const std::string& heading) {
    const auto start = report.find(heading);
    if (start == std::string::npos) return {};
    const auto end = report.find("\n\n", start);
    return report.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

struct CrashRun {
    int signal = 0;  // the signal that ended the client; 0 when it exited or hung
    std::string full;
    std::string small;
    std::string reporterNote;
};

class CrashPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseTempDataHome(dir_);
        data_ = fs::path(dir_ / "data") / "Lumeno";
        fs::create_directories(data_);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        ::setenv(crash::kReporterModeVariable, "record", 1);
        // Under the sanitizers the client's own handlers must see the signals.
        std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
        asan +=
            ":handle_segv=0:handle_abort=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0"
            ":detect_leaks=0";
        ::setenv("ASAN_OPTIONS", asan.c_str(), 1);
        // The log as an earlier session left it, with secrets a careless line could hold.
        std::ofstream log(data_ / "Log.ini");
        log << "2026-12-10 09:00:00:0001_1 GET /lumeno/user/v3/login?account=lin&pwd=hunter2pass\n"
            << "2026-12-10 09:00:01:0002_2 {\"access_token\":\"SECRETTOKEN42\",\"result\":1}\n"
            << "2026-12-10 09:00:02:0003_3 draft text: MEETATNINE at the gate\n"
            << "2026-12-10 09:00:03:0004_4 open conversation 42\n";
    }

    CrashRun Crash(const std::string& kind) {
        // What an earlier run of the same test left goes first: its reports and the reporter's
        // note would otherwise be read as this run's.
        std::error_code ignored;
        fs::remove(data_ / crash::kDumpFolder / crash::kReporterStartedName, ignored);
        fs::remove(data_ / crash::kDumpFolder / crash::kFullReportName, ignored);
        for (const auto& entry : fs::directory_iterator(data_, ignored)) {
            if (entry.path().filename().string().starts_with("lumeno_dump_s_"))
                fs::remove(entry.path(), ignored);
        }
        const std::string option = "--crash-test=" + kind;
        char* argv[] = {const_cast<char*>(lumeno::test::build::ClientBinary()),
                        const_cast<char*>(option.c_str()), nullptr};
        pid_t pid = 0;
        CrashRun run;
        if (::posix_spawn(&pid, lumeno::test::build::ClientBinary(), nullptr, nullptr, argv,
                          environ) != 0) {
            ADD_FAILURE() << "the client could not be started";
            return run;
        }
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + 90s;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the client did not end";
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                return run;
            }
            std::this_thread::sleep_for(20ms);
        }
        if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);

        // The reporter outlives the client: it notes its start after symbolising the reports.
        const fs::path note = data_ / crash::kDumpFolder / crash::kReporterStartedName;
        for (auto until = std::chrono::steady_clock::now() + 60s;
             !fs::exists(note) && std::chrono::steady_clock::now() < until;) {
            std::this_thread::sleep_for(20ms);
        }
        std::this_thread::sleep_for(100ms);
        run.reporterNote = ReadText(note);
        run.full = ReadText(data_ / crash::kDumpFolder / crash::kFullReportName);
        for (const auto& entry : fs::directory_iterator(data_)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("lumeno_dump_s_1.0.0.1_") && name.ends_with(".dmp"))
                run.small = ReadText(entry.path());
        }
        return run;
    }

    void ExpectNoSecrets(const CrashRun& run) {
        for (const char* secret : kSecrets) {
            EXPECT_EQ(run.full.find(secret), std::string::npos) << secret;
            EXPECT_EQ(run.small.find(secret), std::string::npos) << secret;
        }
    }

    TempDir dir_;
    fs::path data_;
};

TEST_F(CrashPathTest, NullWriteOnAPoolThreadLeavesBothReportsStartsTheReporterAndDiesBySegv) {
    const CrashRun run = Crash("pool-null");
    EXPECT_EQ(run.signal, SIGSEGV);

    // The reporter got both reports' paths.
    std::istringstream note(run.reporterNote);
    std::string program, full, small;
    std::getline(note, program);
    std::getline(note, full);
    std::getline(note, small);
    EXPECT_TRUE(program.ends_with(crash::kReporterProgram)) << run.reporterNote;
    EXPECT_EQ(fs::path(full), data_ / crash::kDumpFolder / crash::kFullReportName);
    EXPECT_EQ(fs::path(small).parent_path(), data_);

    ASSERT_FALSE(run.full.empty());
    ASSERT_FALSE(run.small.empty());
    for (const std::string* report : {&run.full, &run.small}) {
        EXPECT_NE(report->find("version: 1.0.0.1\n"), std::string::npos);
        EXPECT_NE(report->find("\ntime: 20"), std::string::npos);
        EXPECT_NE(report->find("reason: signal 11 SIGSEGV, address 0x0\n"), std::string::npos);
        // The faulting function heads the crashed thread's stack, named by the reporter.
        const std::string crashed = Section(*report, "(crashed):");
        const auto firstFrame = crashed.find("\n  #0 ");
        ASSERT_NE(firstFrame, std::string::npos) << *report;
        EXPECT_NE(crashed.find("NullWriteOnPoolThread", firstFrame), std::string::npos) << crashed;
        EXPECT_LT(crashed.find("NullWriteOnPoolThread"), crashed.find("\n  #1 ")) << crashed;
    }
    // Only the full report holds the other threads (the UI thread among them, in its loop) and
    // the log's last lines, secrets blanked.
    EXPECT_NE(run.full.find("lumeno::app::RunClient"), std::string::npos) << run.full;
    EXPECT_EQ(run.small.find("lumeno::app::RunClient"), std::string::npos);
    const auto log = run.full.find("\nlog:\n");
    ASSERT_NE(log, std::string::npos);
    EXPECT_NE(run.full.find("open conversation 42", log), std::string::npos);
    EXPECT_NE(run.full.find("pwd=***", log), std::string::npos);
    EXPECT_NE(run.full.find("crash test: a null write on a pool thread", log), std::string::npos);
    EXPECT_EQ(run.small.find("\nlog:\n"), std::string::npos);
    ExpectNoSecrets(run);
}

TEST_F(CrashPathTest, UncaughtExceptionOnTheUiThreadLeavesBothReportsAndDiesByAbort) {
    const CrashRun run = Crash("ui-throw");
    EXPECT_EQ(run.signal, SIGABRT);
    EXPECT_FALSE(run.reporterNote.empty()) << "the reporter was not started";
    ASSERT_FALSE(run.full.empty());
    ASSERT_FALSE(run.small.empty());
    for (const std::string* report : {&run.full, &run.small}) {
        EXPECT_NE(report->find("reason: uncaught exception std::runtime_error\n"),
                  std::string::npos)
            << *report;
        const std::string crashed = Section(*report, "(crashed):");
        EXPECT_NE(crashed.find("ThrowOnUiThread"), std::string::npos) << crashed;
        EXPECT_NE(crashed.find("lumeno::app::RunClient"), std::string::npos) << crashed;
    }
    ExpectNoSecrets(run);
}

TEST_F(CrashPathTest, StackOverflowsOnTheUiAndAPoolThreadAreReportedFromTheHandlersOwnStack) {
    const CrashRun run = Crash("ui-overflow");
    EXPECT_EQ(run.signal, SIGSEGV);
    EXPECT_FALSE(run.reporterNote.empty()) << "the reporter was not started";
    const std::string crashed = Section(run.small, "(crashed):");
    EXPECT_NE(crashed.find("  #0 0x"), std::string::npos) << run.small;
    EXPECT_NE(crashed.find("RecurseUntilTheStackRunsOut"), std::string::npos) << crashed;
    // A worker's overflow too: every pool thread has a stack of its own for the handler.
    const CrashRun pool = Crash("pool-overflow");
    EXPECT_EQ(pool.signal, SIGSEGV);
    EXPECT_FALSE(pool.reporterNote.empty()) << "the reporter was not started";
    const std::string poolCrashed = Section(pool.small, "(crashed):");
    EXPECT_NE(poolCrashed.find("RecurseUntilTheStackRunsOut"), std::string::npos) << pool.small;
}

}  // namespace
}  // namespace lumeno::test

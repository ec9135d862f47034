#include "app/crash/dbg_helper.h"

#include <cxxabi.h>
#include <dirent.h>
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <typeinfo>

#include "app/crash/crash_names.h"
#include "app/crash/crash_text.h"
#include "config/log.h"
#include "platform/directories.h"

extern char** environ;

namespace lumeno::crash {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kMaxFrames = 64;
constexpr int kMaxThreads = 256;
constexpr int kLogLines = 40;
constexpr std::size_t kPathCapacity = 4096;
// How long the crashed thread waits for the other threads to hand in their stacks.
constexpr int kStackWaitMilliseconds = 1000;

enum class SlotState : int { Free, Asked, Done };

// One thread's stack, filled by that thread in its own handler of the stack signal.
struct ThreadSlot {
    std::atomic<pid_t> tid{0};
    std::atomic<SlotState> state{SlotState::Free};
    int count = 0;
    void* frames[kMaxFrames];
};

// Everything the handler touches, prepared at installation.
struct HandlerState {
    char fullPath[kPathCapacity];
    char smallPath[kPathCapacity];
    char reporterPath[kPathCapacity];
    char logPath[kPathCapacity];
    char version[32];
    char* reporterArgv[4];
    long utcOffsetSeconds = 0;
    int stackSignal = 0;
};

HandlerState g_state;
ThreadSlot g_slots[kMaxThreads];
void* g_crashedFrames[kMaxFrames];
char g_text[16384];
char g_readBuffer[8192];
char g_lineBuffer[1024];
char g_heldLine[1024];
char g_exceptionType[256];
char g_redacted[1280];
alignas(16) char g_alternateStack[65536];
std::atomic<pid_t> g_reportingThread{0};
bool g_installed = false;

pid_t CurrentThreadId() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

void CopyPath(char* target, const std::string& source) {
    std::snprintf(target, kPathCapacity, "%s", source.c_str());
}

// Ends the process by `signal`, in its default way (no handler in between).
[[noreturn]] void DieBy(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::syscall(SYS_tgkill, ::getpid(), CurrentThreadId(), signal);
    ::_exit(128 + signal);
}

void SleepMilliseconds(long milliseconds) {
    struct timespec pause {};
    pause.tv_nsec = milliseconds * 1000000;
    ::nanosleep(&pause, nullptr);
}

// The handler of the stack signal: the thread records its own stack into its slot.
void OnStackSignal(int, siginfo_t*, void*) {
    const int savedErrno = errno;
    const pid_t self = CurrentThreadId();
    for (ThreadSlot& slot : g_slots) {
        if (slot.tid.load() == self && slot.state.load() == SlotState::Asked) {
            slot.count = ::backtrace(slot.frames, kMaxFrames);
            slot.state.store(SlotState::Done);
            break;
        }
    }
    errno = savedErrno;
}

// Asks every other thread for its stack and waits a moment for the answers. Returns the number of
// slots used.
int GatherOtherStacks(pid_t self) {
    const int directory = ::open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) return 0;
    int used = 0;
    for (;;) {
        const long got = ::syscall(SYS_getdents64, directory, g_readBuffer, sizeof g_readBuffer);
        if (got <= 0) break;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(g_readBuffer + at);
            at += entry->d_reclen;
            pid_t tid = 0;
            for (const char* c = entry->d_name; *c >= '0' && *c <= '9'; ++c)
                tid = tid * 10 + (*c - '0');
            if (tid <= 0 || tid == self || used == kMaxThreads) continue;
            ThreadSlot& slot = g_slots[used++];
            slot.tid.store(tid);
            slot.count = 0;
            slot.state.store(SlotState::Asked);
            if (::syscall(SYS_tgkill, ::getpid(), tid, g_state.stackSignal) != 0)
                slot.state.store(SlotState::Free);
        }
    }
    ::close(directory);
    for (int waited = 0; waited < kStackWaitMilliseconds; waited += 2) {
        bool all = true;
        for (int i = 0; i < used; ++i)
            all = all && g_slots[i].state.load() != SlotState::Asked;
        if (all) break;
        SleepMilliseconds(2);
    }
    return used;
}

void WriteFrames(FixedText& text, int fd, void* const* frames, int count) {
    for (int i = 0; i < count; ++i) {
        text.Clear();
        text.Add(kFramePrefix)
            .AddDecimal(std::int64_t{i})
            .AddChar(' ')
            .AddHex(reinterpret_cast<std::uintptr_t>(frames[i]), 16)
            .AddChar('\n');
        text.WriteTo(fd);
    }
}

// `exceptionType`: the type of the exception nothing caught, or null for a signal.
void WriteHeader(FixedText& text, int fd, int signal, const siginfo_t* info,
                 const char* exceptionType) {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const CivilTime time = SplitTime(std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000,
                                     g_state.utcOffsetSeconds);
    text.Clear();
    text.Add("Lumeno crash report\nversion: ").Add(g_state.version).Add("\ntime: ");
    text.AddDecimal(static_cast<std::uint64_t>(time.year), 4).AddChar('-');
    text.AddDecimal(static_cast<std::uint64_t>(time.month), 2).AddChar('-');
    text.AddDecimal(static_cast<std::uint64_t>(time.day), 2).AddChar(' ');
    text.AddDecimal(static_cast<std::uint64_t>(time.hour), 2).AddChar(':');
    text.AddDecimal(static_cast<std::uint64_t>(time.minute), 2).AddChar(':');
    text.AddDecimal(static_cast<std::uint64_t>(time.second), 2).AddChar('.');
    text.AddDecimal(static_cast<std::uint64_t>(time.millisecond), 3);
    text.Add("\nprocess: ").AddDecimal(std::int64_t{::getpid()}).Add("\nreason: ");
    if (exceptionType) {
        text.Add("uncaught exception ").Add(exceptionType);
    } else {
        text.Add("signal ").AddDecimal(std::int64_t{signal}).AddChar(' ');
        const char* name = SignalName(signal);
        text.Add(name ? name : "?");
        if (info && signal != SIGABRT) {
            text.Add(", address ").AddHex(reinterpret_cast<std::uintptr_t>(info->si_addr));
        }
    }
    text.Add("\n\n");
    text.WriteTo(fd);
}

// The path of a /proc/self/maps line ("start-end perms offset dev inode path"), or null.
const char* MapsPath(const char* line, std::size_t length) {
    return static_cast<const char*>(std::memchr(line, '/', length));
}

// Copies the lines of /proc/self/maps that the reporter needs to find the functions: the
// executable mappings of files, each with the file's first mapping (where it was loaded) when that
// one does not execute itself. Data files (fonts, caches) are left out.
void WriteModules(FixedText& text, int fd) {
    text.Clear();
    text.AddChar('\n').Add(kModulesHeading).AddChar('\n');
    text.WriteTo(fd);
    const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0) return;
    std::size_t lineLength = 0;
    std::size_t startLength = 0;  // a file's first mapping, held until its executable one
    for (;;) {
        const ssize_t got = ::read(maps, g_readBuffer, sizeof g_readBuffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t i = 0; i < got; ++i) {
            const char c = g_readBuffer[i];
            if (c != '\n') {
                if (lineLength < sizeof g_lineBuffer) g_lineBuffer[lineLength++] = c;
                continue;
            }
            const char* line = g_lineBuffer;
            const char* space = static_cast<const char*>(std::memchr(line, ' ', lineLength));
            const char* path = MapsPath(line, lineLength);
            if (space && path && space + 15 < path) {
                const bool executes = space[3] == 'x';
                const bool fileStart = std::memcmp(space + 6, "00000000 ", 9) == 0;
                if (executes) {
                    const char* heldPath = MapsPath(g_heldLine, startLength);
                    const std::size_t pathLength =
                        static_cast<std::size_t>(line + lineLength - path);
                    if (startLength > 0 && !fileStart && heldPath &&
                        static_cast<std::size_t>(g_heldLine + startLength - heldPath) ==
                            pathLength &&
                        std::memcmp(heldPath, path, pathLength) == 0) {
                        WriteAll(fd, g_heldLine, startLength);
                        WriteAll(fd, "\n", 1);
                    }
                    WriteAll(fd, line, lineLength);
                    WriteAll(fd, "\n", 1);
                    startLength = 0;
                } else if (fileStart) {
                    std::memcpy(g_heldLine, line, lineLength);
                    startLength = lineLength;
                }
            }
            lineLength = 0;
        }
    }
    ::close(maps);
}

// The last lines of the log, with their secrets blanked.
void WriteLogTail(FixedText& text, int fd) {
    text.Clear();
    text.Add("\nlog:\n");
    text.WriteTo(fd);
    const int log = ::open(g_state.logPath, O_RDONLY | O_CLOEXEC);
    if (log < 0) return;
    const off_t size = ::lseek(log, 0, SEEK_END);
    const off_t from = size > static_cast<off_t>(sizeof g_readBuffer)
                           ? size - static_cast<off_t>(sizeof g_readBuffer)
                           : 0;
    std::size_t length = 0;
    if (size > 0 && ::lseek(log, from, SEEK_SET) == from) {
        while (length < sizeof g_readBuffer) {
            const ssize_t got = ::read(log, g_readBuffer + length, sizeof g_readBuffer - length);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            length += static_cast<std::size_t>(got);
        }
    }
    ::close(log);
    const std::size_t start = LastLinesStart(g_readBuffer, length, kLogLines, from == 0);
    std::size_t lineStart = start;
    for (std::size_t i = start; i <= length; ++i) {
        if (i < length && g_readBuffer[i] != '\n') continue;
        if (i > lineStart) {
            const std::size_t n = RedactLine(g_readBuffer + lineStart, i - lineStart, g_redacted,
                                             sizeof g_redacted - 1);
            g_redacted[n] = '\n';
            WriteAll(fd, g_redacted, n + 1);
        }
        lineStart = i + 1;
    }
}

int OpenReport(const char* path) {
    return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}

// Starts the reporter, detached from the dying process: its own session, no inherited files
// beyond the standard error, no blocked signals.
void StartReporter() {
    const pid_t child = ::_Fork();
    if (child != 0) return;
    ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
    }
    if (::syscall(SYS_close_range, 3U, ~0U, 0U) != 0) {
        for (int fd = 3; fd < 1024; ++fd)
            ::close(fd);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(g_state.reporterPath, g_state.reporterArgv, environ);
    ::_exit(127);
}

// Writes both reports and starts the reporter. Runs once per process; a second thread that
// crashes meanwhile waits for the first to end the process. `exceptionType` names the exception
// nothing caught (null for a signal); it is read only by the thread that reports.
[[gnu::noinline]] void Report(int signal, const siginfo_t* info, const void* context,
                              const char* exceptionType) {
    const pid_t self = CurrentThreadId();
    pid_t expected = 0;
    if (!g_reportingThread.compare_exchange_strong(expected, self)) {
        if (expected == self) DieBy(signal);  // the handler itself failed
        for (;;)
            SleepMilliseconds(1000);
    }

    // The crashed thread's stack, from the faulting instruction on (the frames of the handler
    // and of the signal's return path are left out when the fault's address is among them).
    int count = ::backtrace(g_crashedFrames, kMaxFrames);
    // For an exception, the stack starts with this function and the terminate handler.
    int first = exceptionType && count > 2 ? 2 : 0;
    const auto* machine = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    if (machine) {
        const auto pc = static_cast<std::uintptr_t>(machine->uc_mcontext.gregs[REG_RIP]);
        for (int i = 0; i < count; ++i) {
            if (reinterpret_cast<std::uintptr_t>(g_crashedFrames[i]) == pc) {
                first = i;
                break;
            }
        }
    }
#else
    (void)machine;
#endif
    const int others = GatherOtherStacks(self);

    FixedText text(g_text, sizeof g_text);
    const int full = OpenReport(g_state.fullPath);
    const int small = OpenReport(g_state.smallPath);
    for (const int fd : {full, small}) {
        if (fd < 0) continue;
        WriteHeader(text, fd, signal, info, exceptionType);
        text.Clear();
        text.Add("thread ").AddDecimal(std::int64_t{self}).Add(" (crashed):\n");
        text.WriteTo(fd);
        WriteFrames(text, fd, g_crashedFrames + first, count - first);
    }
    if (full >= 0) {
        for (int i = 0; i < others; ++i) {
            const ThreadSlot& slot = g_slots[i];
            // A thread that answers only now is left out: its frames may be half written.
            const bool answered = slot.state.load() == SlotState::Done;
            text.Clear();
            text.Add("\nthread ").AddDecimal(std::int64_t{slot.tid.load()});
            if (!answered) text.Add(" (did not answer)");
            text.Add(":\n");
            text.WriteTo(full);
            // The first two frames are the stack signal's handler and its return path.
            if (answered && slot.count > 2)
                WriteFrames(text, full, slot.frames + 2, slot.count - 2);
        }
    }
    for (const int fd : {full, small}) {
        if (fd < 0) continue;
        WriteModules(text, fd);
    }
    if (full >= 0) {
        WriteLogTail(text, full);
        ::close(full);
    }
    if (small >= 0) ::close(small);
    StartReporter();
}

void OnFatalSignal(int signal, siginfo_t* info, void* context) {
    Report(signal, info, context, nullptr);
    DieBy(signal);
}

[[gnu::noinline]] void OnTerminate() {
    // Not a signal handler: the exception's type may be looked up and demangled here. Only the
    // first thread to get here writes the name; any other waits inside Report.
    static std::atomic<bool> named{false};
    const char* reason = "(terminate without an exception)";
    if (!named.exchange(true)) {
        if (const std::type_info* type = abi::__cxa_current_exception_type()) {
            int status = 0;
            char* readable = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
            std::snprintf(g_exceptionType, sizeof g_exceptionType, "%s",
                          status == 0 && readable ? readable : type->name());
            std::free(readable);
            reason = g_exceptionType;
        }
    }
    Report(SIGABRT, nullptr, nullptr, reason);
    DieBy(SIGABRT);
}

std::string ProgramVersion() {
    char version[32];
    std::snprintf(version, sizeof version, "%d.%d.%d.%d", LUMENO_VERSION_MAJOR,
                  LUMENO_VERSION_MINOR, LUMENO_VERSION_PATCH, LUMENO_VERSION_TWEAK);
    return version;
}

}  // namespace

CDbgHelper::CDbgHelper() {
    const std::string dumpFolder = platform::JoinPath(platform::DataDirectory(), kDumpFolder);
    std::error_code ignored;
    std::filesystem::create_directories(dumpFolder, ignored);
    std::filesystem::permissions(dumpFolder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, ignored);
    fullReportPath_ = platform::JoinPath(dumpFolder, kFullReportName);

    // The small report is named after the start of the run, so every crash of one run uses one
    // name.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    struct timespec sinceBoot {};
    ::clock_gettime(CLOCK_BOOTTIME, &sinceBoot);
    const auto ticks = static_cast<unsigned>(sinceBoot.tv_sec * 1000 + sinceBoot.tv_nsec / 1000000);
    char name[160];
    std::snprintf(name, sizeof name, kSmallReportPattern, ProgramVersion().c_str(),
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  ticks);
    smallReportPath_ = platform::JoinPath(platform::DataDirectory(), name);
    reporterPath_ = platform::HelperProgramPath(kReporterProgram);
}

CDbgHelper& CDbgHelper::Instance() {
    static CDbgHelper instance;
    return instance;
}

bool CDbgHelper::Install(CDbgHelper& instance) {
    if (g_installed) return true;
    CopyPath(g_state.fullPath, instance.fullReportPath_);
    CopyPath(g_state.smallPath, instance.smallReportPath_);
    CopyPath(g_state.reporterPath, instance.reporterPath_);
    CopyPath(g_state.logPath, LogFilePath());
    std::snprintf(g_state.version, sizeof g_state.version, "%s", ProgramVersion().c_str());
    g_state.reporterArgv[0] = g_state.reporterPath;
    g_state.reporterArgv[1] = g_state.fullPath;
    g_state.reporterArgv[2] = g_state.smallPath;
    g_state.reporterArgv[3] = nullptr;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    g_state.utcOffsetSeconds = local.tm_gmtoff;
    g_state.stackSignal = SIGRTMAX - 3;

    // The first call loads the unwinder; later calls are safe in a handler.
    void* warmUp[2];
    ::backtrace(warmUp, 2);

    // A stack of its own for the UI thread's handler, so that a stack overflow is reported too.
    stack_t alternate{};
    alternate.ss_sp = g_alternateStack;
    alternate.ss_size = sizeof g_alternateStack;
    ::sigaltstack(&alternate, nullptr);

    bool installed = true;
    struct sigaction stackAction {};
    stackAction.sa_sigaction = OnStackSignal;
    stackAction.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&stackAction.sa_mask);
    installed = ::sigaction(g_state.stackSignal, &stackAction, nullptr) == 0 && installed;

    struct sigaction fatalAction {};
    fatalAction.sa_sigaction = OnFatalSignal;
    fatalAction.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&fatalAction.sa_mask);
    for (const int signal : kFatalSignals)
        installed = ::sigaction(signal, &fatalAction, nullptr) == 0 && installed;
    std::set_terminate(OnTerminate);
    g_installed = true;
    return installed;
}

}  // namespace lumeno::crash

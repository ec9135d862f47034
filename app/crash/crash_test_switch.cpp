#include "app/crash/crash_test_switch.h"

#include <QTimer>
#include <stdexcept>
#include <string_view>

#include "config/log.h"
#include "platform/work_pool.h"

namespace lumeno::crash {
namespace {

constexpr std::string_view kSwitch = "--crash-test=";

// Kept out of line and unsanitised: the report must name this function, and the write must reach
// the processor as a write to address 0.
[[gnu::noinline, gnu::no_sanitize("address", "undefined")]] void NullWriteOnPoolThread(void*) {
    volatile int* volatile target = nullptr;
    *target = 1;
}

// Deep enough to overflow any stack; read through a volatile so that the recursion stays.
volatile long g_recursionLimit = 1L << 40;

[[gnu::noinline, gnu::no_sanitize("address", "undefined")]] long RecurseUntilTheStackRunsOut(
    volatile char* previous) {
    volatile char frame[1024];
    frame[0] = previous ? static_cast<char>(previous[0] + 1) : 0;
    const long left = g_recursionLimit;
    g_recursionLimit = left - 1;
    if (left == 0) return 0;
    return RecurseUntilTheStackRunsOut(frame) + frame[1];
}

void RecurseOnPoolThread(void*) {
    RecurseUntilTheStackRunsOut(nullptr);
}

[[gnu::noinline]] void ThrowOnUiThread() {
    throw std::runtime_error("crash test");
}

}  // namespace

void ArmCrashTest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (!argument.starts_with(kSwitch)) continue;
        const std::string_view kind = argument.substr(kSwitch.size());
        if (kind == "pool-null") {
            WriteLogText("crash test: a null write on a pool thread");
            QTimer::singleShot(0, [] { platform::QueueWorkItem(NullWriteOnPoolThread, nullptr); });
        } else if (kind == "ui-overflow") {
            WriteLogText("crash test: a stack overflow on the UI thread");
            QTimer::singleShot(0, [] { RecurseUntilTheStackRunsOut(nullptr); });
        } else if (kind == "pool-overflow") {
            WriteLogText("crash test: a stack overflow on a pool thread");
            QTimer::singleShot(0, [] { platform::QueueWorkItem(RecurseOnPoolThread, nullptr); });
        } else if (kind == "ui-throw") {
            WriteLogText("crash test: an uncaught exception on the UI thread");
            QTimer::singleShot(0, [] { ThrowOnUiThread(); });
        }
    }
}

}  // namespace lumeno::crash

#include "platform/user_idle.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <atomic>
#include <chrono>
#include <mutex>

namespace platform {
namespace {

Display* IdleDisplay() {
    static Display* display = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        display = XOpenDisplay(nullptr);
        int event = 0, error = 0;
        if (display && !XScreenSaverQueryExtension(display, &event, &error)) {
            XCloseDisplay(display);
            display = nullptr;
        }
    });
    return display;
}

std::uint64_t NowMilliseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace

std::uint64_t LastInputTime() {
    static std::atomic<std::uint64_t> unknownCounter{0};
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    Display* display = IdleDisplay();
    XScreenSaverInfo* info = display ? XScreenSaverAllocInfo() : nullptr;
    if (!info || !XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) {
        if (info) XFree(info);
        return ++unknownCounter;  // cannot tell: always a new value, so always active
    }
    // Measuring "now minus idle" jitters by a few milliseconds; small moves keep the old value so
    // that it changes only on real input.
    static std::uint64_t stable = 0;
    const std::uint64_t last = NowMilliseconds() - info->idle;
    XFree(info);
    if (stable == 0 || last > stable + 1500 || last + 1500 < stable) stable = last;
    return stable;
}

}  // namespace platform

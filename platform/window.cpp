#include "platform/window.h"

#include <QCoreApplication>
#include <atomic>
#include <future>
#include <mutex>
#include <unordered_map>

#include "platform/thread_check.h"
#include "platform/ui_thread.h"
#include "platform/window_message_event.h"
#include "platform/window_timers.h"

namespace platform {
namespace {

struct WindowEntry {
    Window* window;
    std::string className;
};

// Handles are numbers that are never reused; the table maps live ones to their windows. It is
// read from any thread (IsWindow, FindWindowByClass), so it has a lock.
std::mutex& TableMutex() {
    static std::mutex mutex;
    return mutex;
}
std::unordered_map<HWND, WindowEntry>& Table() {
    static auto* table = new std::unordered_map<HWND, WindowEntry>;
    return *table;
}
std::atomic<std::uintptr_t> nextHandle{0x10};

HWND NewHandle() {
    return reinterpret_cast<HWND>(nextHandle.fetch_add(4));
}

}  // namespace

Window::~Window() {
    if (handle_) {
        // Destroyed without DestroyHandle: retire the handle quietly so nothing reaches a dead
        // object.
        KillAllTimers(handle_);
        std::lock_guard lock(TableMutex());
        Table().erase(handle_);
    }
}

HWND Window::CreateHandle(std::string_view className) {
    if (handle_) return nullptr;
    HWND hwnd = NewHandle();
    className_ = std::string(className);
    {
        std::lock_guard lock(TableMutex());
        Table().emplace(hwnd, WindowEntry{this, className_});
    }
    handle_ = hwnd;
    if (DeliverMessage(*this, WM_CREATE, 0, 0) == -1) {
        std::lock_guard lock(TableMutex());
        Table().erase(hwnd);
        handle_ = nullptr;
        return nullptr;
    }
    return hwnd;
}

void Window::DestroyHandle() {
    HWND hwnd = handle_;
    if (!hwnd) return;
    DeliverMessage(*this, WM_DESTROY, 0, 0);
    KillAllTimers(hwnd);
    std::lock_guard lock(TableMutex());
    Table().erase(hwnd);
    if (handle_ == hwnd) handle_ = nullptr;
}

LRESULT DeliverMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (window.ProcessWindowMessage(message, wParam, lParam, result)) return result;
    if (message == WM_CLOSE) window.DestroyHandle();
    return 0;
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd) return false;
    auto* dispatcher = detail::UiDispatcher::Instance();
    if (!dispatcher) return false;
    auto* event = new detail::WindowMessageEvent(MSG{hwnd, message, wParam, lParam});
    thread_check::HandOff(event);
    QCoreApplication::postEvent(dispatcher, event);
    return true;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsUiThread()) {
        Window* window = WindowFromHandle(hwnd);
        return window ? DeliverMessage(*window, message, wParam, lParam) : 0;
    }
    auto* dispatcher = detail::UiDispatcher::Instance();
    if (!dispatcher || !IsWindow(hwnd)) return 0;
    std::promise<LRESULT> reply;
    auto answer = reply.get_future();
    auto* event = new detail::WindowMessageEvent(MSG{hwnd, message, wParam, lParam});
    event->reply = &reply;
    thread_check::HandOff(event);
    QCoreApplication::postEvent(dispatcher, event);
    return answer.get();
}

bool IsWindow(HWND hwnd) {
    if (!hwnd) return false;
    std::lock_guard lock(TableMutex());
    return Table().count(hwnd) != 0;
}

Window* WindowFromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    std::lock_guard lock(TableMutex());
    auto found = Table().find(hwnd);
    return found == Table().end() ? nullptr : found->second.window;
}

HWND FindWindowByClass(std::string_view className) {
    std::lock_guard lock(TableMutex());
    HWND best = nullptr;
    for (const auto& [hwnd, entry] : Table()) {
        // The oldest live window of the class, as a top-level search would find first.
        if (entry.className == className && (!best || hwnd < best)) best = hwnd;
    }
    return best;
}

bool DestroyWindow(HWND hwnd) {
    Window* window = WindowFromHandle(hwnd);
    if (!window) return false;
    window->DestroyHandle();
    return true;
}

UINT RegisterWindowMessage(std::string_view name) {
    static std::mutex mutex;
    static auto* numbers = new std::unordered_map<std::string, UINT>;
    std::lock_guard lock(mutex);
    auto [it, added] = numbers->try_emplace(std::string(name), 0);
    if (added) it->second = 0xC000 + static_cast<UINT>(numbers->size() - 1);
    return it->second;
}

}  // namespace platform

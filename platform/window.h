#pragma once
// Window handles and window messages.
//
// A `platform::Window` is any object that receives window messages on the UI thread: the main
// window, every skinned window, or an invisible helper. Creating it gives it a handle (HWND) that
// other code may keep, compare and post to; a handle is never reused, so a message posted to a
// window that has gone away is simply dropped. Posting is safe from any thread; delivery always
// happens on the UI thread, in posting order, through the thread's message filters first.

#include <string>
#include <string_view>

#include "platform/win_types.h"

class QWidget;

namespace platform {

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    // Gives the window its handle under `className` and delivers WM_CREATE. Returns null when the
    // window already exists or WM_CREATE answered -1 (the window is then not created).
    HWND CreateHandle(std::string_view className);
    // Delivers WM_DESTROY, stops the window's timers and retires its handle.
    void DestroyHandle();

    HWND Handle() const { return handle_; }
    const std::string& ClassName() const { return className_; }

    // The widget that stands for this window on screen, if it has one (owner of dialogs).
    virtual QWidget* NativeWidget() { return nullptr; }

    // The window's message map. Returns true when the message was handled; `result` is then the
    // answer to SendMessage.
    virtual bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) = 0;

  private:
    HWND handle_ = nullptr;
    std::string className_;
};

// Runs `message` through the window's message map; unhandled WM_CLOSE destroys the window, as the
// default window procedure does. UI thread only.
LRESULT DeliverMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam);

// Queues a message for the window's message map. Any thread. False when the handle is null or the
// UI thread's queue is not running.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Delivers a message synchronously. On the UI thread it calls the message map directly; from
// another thread it waits until the UI thread has delivered it. 0 when the window does not exist.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool IsWindow(HWND hwnd);
Window* WindowFromHandle(HWND hwnd);  // UI thread only
HWND FindWindowByClass(std::string_view className);
bool DestroyWindow(HWND hwnd);

// A process-wide message number for a name: the same name always gives the same number, in the
// range 0xC000..0xFFFF.
UINT RegisterWindowMessage(std::string_view name);

// Window timers: WM_TIMER with wParam = id is delivered to the window every `milliseconds` until
// KillTimer. Setting an existing id restarts it with the new period. UI thread only.
bool SetTimer(HWND hwnd, std::uintptr_t id, UINT milliseconds);
bool KillTimer(HWND hwnd, std::uintptr_t id);

}  // namespace platform

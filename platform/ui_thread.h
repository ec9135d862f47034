#pragma once
// The UI thread: the one thread that owns every window and runs the message loop.

#include <chrono>
#include <functional>

namespace platform {

// True on the thread that runs the application's event loop.
bool IsUiThread();

// Processes queued messages on the UI thread until `done` returns true or `timeout` passes.
// Returns the last value of `done`. For tests and for modal waits.
bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

}  // namespace platform

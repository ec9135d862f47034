#pragma once
// Readiness of a non-blocking socket, told to a window as a message, so that a work flow on the
// UI thread can wait for the network without blocking anything. The message carries the socket
// as wParam and the events that occurred (low 16 bits) with an error code (high 16 bits) as
// lParam. Each request is answered at most once; asking again re-arms it. UI thread only.

#include "platform/win_types.h"

namespace platform {

constexpr long FD_READ = 0x01;
constexpr long FD_WRITE = 0x02;
constexpr long FD_CONNECT = 0x10;
constexpr long FD_CLOSE = 0x20;

// Asks for `message` to `hwnd` when one of `events` happens on `socket`; events 0 cancels.
bool AsyncSelect(int socket, HWND hwnd, UINT message, long events);

}  // namespace platform

#pragma once
// Internal: the window timers' bookkeeping that window destruction needs.

#include "platform/win_types.h"

namespace platform {

void KillAllTimers(HWND hwnd);

}  // namespace platform

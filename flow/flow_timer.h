#pragma once
// Window timers that a work flow waits on.

#include <cstdint>

#include "flow/async_work_flow.h"

// A window timer whose id is the guard's own address; it ticks WM_TIMER to the work-flow window
// until the guard goes out of scope.
class TimerGuard {
  public:
    TimerGuard(CAsyncWorkFlow& flow, UINT periodMilliseconds);
    TimerGuard(const TimerGuard&) = delete;
    TimerGuard& operator=(const TimerGuard&) = delete;
    ~TimerGuard();

    // Waits for the next tick.
    void WaitTick();
    FilterNode& Filter() { return node_; }
    std::uintptr_t Id() const { return reinterpret_cast<std::uintptr_t>(this); }

  private:
    CAsyncWorkFlow& flow_;
    HWND window_;
    FilterNode node_;
};

// A message filter that compares the message number and the first parameter only.
bool MatchMessageAndFirst(const FilterNode& node, const BroadcastMessage& record);

#pragma once
// The push connection: announce the user, ping, and start a synchronisation at once whenever the
// server says something new is waiting. After a connection ends the client synchronises once and
// connects again; after three periods in a row without a completed ping exchange it gives up and
// sends the user back to the login page.

#include <functional>
#include <string>

#include "flow/async_work_flow.h"
#include "net/server_settings.h"

// One connection period. Calls `notify` for every reply that holds "1#". Returns 1 when at least
// one ping exchange was completed, else 0.
int PushConnection(const ServerSettings& settings, const std::string& userId, CAsyncWorkFlow& flow,
                   const std::function<void()>& notify);

// The keeper: connection periods one after another, each followed by a catch-up synchronisation;
// after three failed periods in a row it posts the forced return to the login page to
// `mainWindow` and ends.
void LongConnectionFlow(CAsyncWorkFlow& flow, const std::string& userId,
                        const std::function<void()>& startSync, HWND mainWindow);

inline constexpr int kConnectAttempts = 5;
inline constexpr int kFailedPeriodsBeforeGivingUp = 3;

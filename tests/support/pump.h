#pragma once
// Lets the UI thread's event loop run until a condition holds or the time is up.

#include <QCoreApplication>
#include <chrono>

#include "platform/ui_thread.h"

namespace lumeno::test {

// True when `done` held before `limit` ran out.
template <typename Done>
bool PumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    // Once `done` has held, more work may already be queued behind it (a reply that lands during
    // the last round can queue a new event); that does not undo the answer.
    const bool held = platform::PumpMessagesUntil([&] { return done(); }, limit);
    QCoreApplication::processEvents();
    return held || done();
}

}  // namespace lumeno::test

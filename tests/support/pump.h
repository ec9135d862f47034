#pragma once
// Lets the UI thread's event loop run until a condition holds or the time is up.

#include <QCoreApplication>
#include <chrono>

#include "platform/ui_thread.h"

namespace lumeno::test {

// True when `done` held before `limit` ran out.
template <typename Done>
bool PumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    platform::PumpMessagesUntil([&] { return done(); }, limit);
    QCoreApplication::processEvents();
    return done();
}

}  // namespace lumeno::test

#pragma once

#include <chrono>

#include "platform/ui_thread.h"

namespace lumeno::test {

// Runs the UI loop until `done`; a generous limit only guards against hangs.
template <typename Done>
bool PumpUntil(Done done) {
    return platform::PumpMessagesUntil(done, std::chrono::seconds(20));
}

}  // namespace lumeno::test

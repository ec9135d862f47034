#pragma once
// Running service operations inside a flow from a test, and finding demo people by name.

#include <chrono>
#include <string>

#include "flow/async_work_flow.h"
#include "platform/ui_thread.h"
#include "storage/user_store.h"

namespace lumeno::test {

// Runs `step` as a flow and waits for its end; false when it did not end within a minute.
template <typename Step>
bool RunStep(Step step) {
    FlowHandle handle;
    RunFlow(&handle, step);
    return platform::PumpMessagesUntil([&] { return !handle.Busy(); }, std::chrono::seconds(60));
}

// The qxid of the stored user with that name, empty when none.
inline std::string QxidOf(const std::string& name) {
    for (const auto& [qxid, user] : CDBUser::Instance().Users()) {
        if (user.name == name) return qxid;
    }
    return {};
}

}  // namespace lumeno::test

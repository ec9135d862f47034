#pragma once
// A window that carries work-flow continuations and broadcasts, as the main window does.

#include <functional>
#include <vector>

#include "flow/async_work_flow.h"
#include "platform/ui_thread.h"
#include "platform/window.h"

namespace lumeno::test {

class FlowWindow final : public platform::Window {
  public:
    FlowWindow() { CreateHandle("LumenoTestFlowWindow"); }
    ~FlowWindow() override {
        // Flows still on a worker finish first, so that nothing of theirs outlives the test.
        platform::PumpMessagesUntil(
            [] { return CAsyncWorkFlow::FreeFiberCount() == CAsyncWorkFlow::FiberCount(); },
            std::chrono::seconds(30));
        CAsyncWorkFlow::ReleaseFreeFibers();
        DestroyHandle();
    }

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override {
        return CAsyncWorkFlow::WindowEntry(Handle(), message, wParam, lParam, result);
    }
};

}  // namespace lumeno::test

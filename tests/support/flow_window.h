#pragma once
// A window that carries work-flow continuations and broadcasts, as the main window does.

#include <functional>
#include <vector>

#include "flow/async_work_flow.h"
#include "platform/window.h"

namespace lumeno::test {

class FlowWindow final : public platform::Window {
  public:
    FlowWindow() { CreateHandle("LumenoTestFlowWindow"); }
    ~FlowWindow() override {
        CAsyncWorkFlow::ReleaseFreeFibers();
        DestroyHandle();
    }

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override {
        return CAsyncWorkFlow::WindowEntry(Handle(), message, wParam, lParam, result);
    }
};

}  // namespace lumeno::test

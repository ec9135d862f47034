#pragma once
// A stand-in for the main window in service tests: it carries work-flow continuations, delivers
// the event bus, and records the service errors sent to it.

#include <vector>

#include "api/api_controller.h"
#include "api/service_errors.h"
#include "flow/async_work_flow.h"
#include "platform/ui_thread.h"
#include "platform/window.h"
#include "util/user_messages.h"

namespace lumeno::test {

class ClientWindow final : public platform::Window {
  public:
    ClientWindow() {
        CreateHandle("LumenoTestClientWindow");
        CApiController::Instance().SetNotificationWindow(Handle());
    }
    ~ClientWindow() override {
        CApiController::Instance().CancelAllJobs();
        // Flows without a handle (sends, read marks) end with their exchange: let them.
        platform::PumpMessagesUntil(
            [] { return CAsyncWorkFlow::FreeFiberCount() == CAsyncWorkFlow::FiberCount(); },
            std::chrono::seconds(30));
        CApiController::Instance().SetNotificationWindow(nullptr);
        CAsyncWorkFlow::ReleaseFreeFibers();
        DestroyHandle();
    }

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override {
        if (CAsyncWorkFlow::WindowEntry(Handle(), message, wParam, lParam, result)) return true;
        if (message == UM_DISPATCH_EVENTS) {
            CApiController::Instance().Events().Drain();
            return true;
        }
        if (message == UM_API_ERROR) {
            apiErrors.push_back(CApiController::Instance().LastApiError());
            return true;
        }
        if (message == UM_RETURN_TO_LOGIN) {
            returnsToLogin.push_back(lParam);
            return true;
        }
        return false;
    }

    std::vector<ErrorRecord> apiErrors;
    std::vector<LPARAM> returnsToLogin;  // lParam 1: forced
};

// Records every event of the kinds in its mask.
class EventRecorder final : public IDBEventListener {
  public:
    struct Event {
        std::uint32_t kind;
        std::int32_t first;
        std::int32_t second;
    };
    explicit EventRecorder(std::uint32_t mask) : mask_(mask) {
        CApiController::Instance().Events().Subscribe(mask_, this);
    }
    ~EventRecorder() { CApiController::Instance().Events().Unsubscribe(mask_, this); }
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override {
        events.push_back({kind, first, second});
    }
    int Count(std::uint32_t kind, std::int32_t second) const {
        int count = 0;
        for (const Event& event : events)
            count += event.kind == kind && event.second == second;
        return count;
    }
    bool Saw(std::uint32_t kind, std::int32_t second) const {
        for (const Event& event : events) {
            if (event.kind == kind && event.second == second) return true;
        }
        return false;
    }
    std::vector<Event> events;

  private:
    std::uint32_t mask_;
};

}  // namespace lumeno::test

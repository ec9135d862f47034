#include "api/api_controller.h"

CApiController& CApiController::Instance() {
    static CApiController controller;
    return controller;
}

void CApiController::CancelAllJobs() {
    for (FlowHandle* handle :
         {&contactRefresh, &conversationSync, &signIn, &longConnection, &unknownUserFetch,
          &presenceHeartbeat, &pendingItems, &pendingItemFromProfile, &presenceOff}) {
        CAsyncWorkFlow::CancelFlow(handle);
    }
}

const ErrorRecord* CApiController::LastErrorOf(std::uint32_t kind) const {
    auto found = lastErrors_.find(kind);
    return found == lastErrors_.end() ? nullptr : &found->second;
}

#include "api/api_controller.h"

#include "api/contact_search.h"
#include "api/conversation_changes.h"

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

void CApiController::ForgetSignedInAccount() {
    // The handles leave the list before they are cancelled: a flow woken by a cancellation may
    // start another send meanwhile.
    std::list<FlowHandle> running;
    running.splice(running.end(), sends_);
    for (FlowHandle& handle : running)
        CAsyncWorkFlow::CancelFlow(&handle);
    ClearContactSearch();
    ForgetConversationChanges();
}

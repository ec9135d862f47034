#include "api/api_controller.h"

#include "api/contact_search.h"
#include "api/conversation_changes.h"
#include "api/conversation_sync.h"
#include "platform/window.h"
#include "util/user_messages.h"

CApiController& CApiController::Instance() {
    static CApiController controller;
    return controller;
}

void CApiController::CancelAllJobs() {
    for (FlowHandle* handle : {&contactRefresh, &conversationSync, &signIn, &longConnection,
                               &unknownUserFetch, &presenceHeartbeat, &pendingItems,
                               &pendingItemFromProfile, &presenceOff, &rememberedSecrets}) {
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
    unansweredSends_.clear();
    ClearContactSearch();
    ForgetConversationChanges();
    UnwrittenSyncWrite() = PendingSyncWrite{};  // it belonged to the account's database
}

bool CApiController::ReportLostSignIn(const ErrorRecord& error) {
    if (error.error_code != kErrorTokenInvalid && error.error_code != kErrorTokenRevoked)
        return false;
    StoreApiError(error);
    platform::PostMessage(notificationWindow_, UM_API_ERROR, static_cast<WPARAM>(error.error_code),
                          0);
    return true;
}

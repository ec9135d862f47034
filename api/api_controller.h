#pragma once
// The owner of every long-running service job. Each job has one handle; a job whose handle is
// busy is not started again (the running one will do the work). The controller also keeps the
// last failure of each kind of operation for the windows that report it.

#include <cstdint>
#include <list>
#include <map>
#include <set>

#include "api/service_errors.h"
#include "flow/async_work_flow.h"
#include "platform/win_types.h"
#include "storage/event_bus.h"
#include "storage/saved_accounts.h"

class CApiController {
  public:
    static CApiController& Instance();

    // The main window, which receives the controller's notifications and delivers its events.
    void SetNotificationWindow(HWND window) {
        notificationWindow_ = window;
        events_.SetNotificationWindow(window);
    }
    HWND NotificationWindow() const { return notificationWindow_; }

    DBEventBus& Events() { return events_; }
    void PostEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
        events_.Post(kind, first, second);
    }
    // The remembered accounts, most recent first.
    SavedAccounts& Saved() { return saved_; }
    // Messages being sent, by local number, until the service's copy comes back.
    std::map<std::int32_t, MessageRecord>& PendingSends() { return pendingSends_; }

    // The jobs.
    FlowHandle contactRefresh;
    FlowHandle conversationSync;
    FlowHandle signIn;
    FlowHandle longConnection;
    FlowHandle unknownUserFetch;
    FlowHandle presenceHeartbeat;
    FlowHandle pendingItems;
    FlowHandle pendingItemFromProfile;
    FlowHandle presenceOff;
    FlowHandle rememberedSecrets;

    // The message id of the voice clip playing now, 0 when none.
    std::int32_t playingVoice = 0;

    // Starts `step` as the job held by `handle` unless that job is running. True when started.
    template <typename Step>
    bool StartJob(FlowHandle& handle, Step&& step) {
        return RunFlowOnce(handle, std::forward<Step>(step));
    }
    // Cancels every job (signing out).
    void CancelAllJobs();

    // Starts a send. Sends run side by side, each owned by a handle of its own here, so that
    // signing out stops every send of the account before its stores are freed.
    template <typename Step>
    void StartSend(Step&& step) {
        sends_.remove_if([](const FlowHandle& handle) { return !handle.Busy(); });
        RunFlow(&sends_.emplace_back(), std::forward<Step>(step));
    }
    // Sends whose post the service has not answered yet, by local number: noted when the send
    // starts, forgotten when the answer comes (whatever it says). A send cancelled meanwhile
    // (signing out, quitting) stays here until the account is forgotten, so that what it carried
    // can be kept.
    void NoteSendStarted(std::int32_t localNumber) { unansweredSends_.insert(localNumber); }
    void NoteSendAnswered(std::int32_t localNumber) { unansweredSends_.erase(localNumber); }
    bool SendUnanswered(std::int32_t localNumber) const {
        return unansweredSends_.count(localNumber) != 0;
    }
    // A send is still on its way.
    bool SendsRunning() const {
        for (const FlowHandle& handle : sends_)
            if (handle.Busy()) return true;
        return false;
    }
    // Signing out: cancels every send and forgets what the service layer kept of the account.
    void ForgetSignedInAccount();

    // The last failure stored for an event kind, or null when none was stored.
    const ErrorRecord* LastErrorOf(std::uint32_t kind) const;
    void StoreLastError(std::uint32_t kind, const ErrorRecord& record) {
        lastErrors_[kind] = record;
    }
    // The service error told to the notification window with UM_API_ERROR (wParam = its code):
    // the message carries no address, the window reads the copy kept here.
    void StoreApiError(const ErrorRecord& record) { apiError_ = record; }
    const ErrorRecord& LastApiError() const { return apiError_; }
    // An answer that says the account's token no longer holds (20001, 20002) is told to the
    // notification window, which returns to the login page. True when it was one.
    bool ReportLostSignIn(const ErrorRecord& error);

  private:
    CApiController() = default;

    HWND notificationWindow_ = nullptr;
    DBEventBus events_;
    SavedAccounts saved_;
    std::map<std::int32_t, MessageRecord> pendingSends_;
    std::set<std::int32_t> unansweredSends_;
    std::map<std::uint32_t, ErrorRecord> lastErrors_;
    ErrorRecord apiError_;
    // Never moved: a running send's flow holds the address of its handle.
    std::list<FlowHandle> sends_;
};

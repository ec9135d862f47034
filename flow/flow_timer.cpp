#include "flow/flow_timer.h"

#include "platform/window.h"

bool MatchMessageAndFirst(const FilterNode& node, const BroadcastMessage& record) {
    return node.message == record.message && node.wParam == record.wParam;
}

TimerGuard::TimerGuard(CAsyncWorkFlow& flow, UINT periodMilliseconds)
    : flow_(flow), window_(CAsyncWorkFlow::WorkFlowWindow()) {
    node_.match = &MatchMessageAndFirst;
    node_.message = WM_TIMER;
    node_.wParam = Id();
    platform::SetTimer(window_, Id(), periodMilliseconds);
}

TimerGuard::~TimerGuard() {
    platform::KillTimer(window_, Id());
}

void TimerGuard::WaitTick() {
    flow_.WaitMessage(&node_);
}

#include "flow/async_work_flow.h"

#include <boost/context/protected_fixedsize_stack.hpp>
#include <cassert>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include "platform/thread_check.h"
#include "platform/window.h"
#include "platform/work_pool.h"

namespace {

// Fiber stacks: blocking steps run HTTP, TLS, name lookup and JSON recursion on them. A guard
// page below each stack turns an overflow into a clean fault instead of silent corruption.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kStackSize = 8u << 20;
#else
constexpr std::size_t kStackSize = 2u << 20;
#endif

// Guarded stacks. Under AddressSanitizer a stack's shadow is cleared before it is unmapped, so that
// frames poisoned by a retired fiber are not mistaken for errors when the address is reused.
class FiberStack {
  public:
    boost::context::stack_context allocate() { return stacks_.allocate(); }
    void deallocate(boost::context::stack_context& stack) noexcept {
#if defined(__SANITIZE_ADDRESS__)
        ASAN_UNPOISON_MEMORY_REGION(static_cast<char*>(stack.sp) - stack.size, stack.size);
#endif
        stacks_.deallocate(stack);
    }

  private:
    boost::context::protected_fixedsize_stack stacks_{kStackSize};
};

// Engine state; touched only on the UI thread.
HWND g_window = nullptr;
CAsyncWorkFlow* g_freeList = nullptr;
std::size_t g_fiberCount = 0;
std::size_t g_freeCount = 0;

// A new fiber hands the address of its context back to its creator through this slot, and learns
// the thread checker's names for its stack and its creator's through the other two.
thread_local CAsyncWorkFlow* t_newFlow = nullptr;
thread_local void* t_newCheckedStack = nullptr;
thread_local void* t_newCheckedReturn = nullptr;

// The function that a continuation message carries in lParam.
void DispatchThunk(CAsyncWorkFlow* flow) {
    CAsyncWorkFlow::Dispatch(flow);
}

LPARAM DispatchThunkAddress() {
    return reinterpret_cast<LPARAM>(&DispatchThunk);
}

// True when this thread may run another flow right here: no exception is in flight and none is
// being handled. A flow woken inside a destructor that unwinds a cancelled flow (or inside a catch
// block) would yield with that exception still on this thread's books, which the fibers cannot
// carry across a switch.
bool MayRunFlowsHere() {
    return std::uncaught_exceptions() == 0 && !std::current_exception();
}

// Wakes the flows waiting for (work-flow message, `wParam`): at once when that is safe here,
// otherwise from the message loop.
void Wake(WPARAM wParam) {
    if (MayRunFlowsHere()) {
        Broadcast(CAsyncWorkFlow::WorkFlowMessage(), wParam, 0);
    } else if (g_window) {
        platform::PostMessage(g_window, CAsyncWorkFlow::WorkFlowMessage(), wParam, 0);
    }
}

}  // namespace

FlowHandle::~FlowHandle() {
    CAsyncWorkFlow::CancelFlow(this);
}

bool FilterNode::StandardMatch(const FilterNode& node, const BroadcastMessage& record) {
    return node.message == record.message && node.wParam == record.wParam &&
           node.lParam == record.lParam;
}

UINT CAsyncWorkFlow::WorkFlowMessage() {
    static const UINT message = platform::RegisterWindowMessage("LumenoAsyncWorkFlow");
    return message;
}

HWND CAsyncWorkFlow::WorkFlowWindow() {
    return g_window;
}

boost::context::fiber CAsyncWorkFlow::FiberBody(boost::context::fiber&& creator) {
    CAsyncWorkFlow flow;
    flow.return_ = std::move(creator);
    flow.checkedStack_ = t_newCheckedStack;
    flow.checkedReturn_ = t_newCheckedReturn;
    t_newFlow = &flow;
    flow.Yield();  // back to StartFlow; the first Dispatch resumes here
    while (!flow.retire_) {
        flow.RunStep();
        flow.state_.store(kFinished, std::memory_order_release);
        flow.Yield();  // Dispatch puts the context on the free list; StartFlow reuses it
    }
    thread_check::SwitchTo(flow.checkedReturn_);
    return std::move(flow.return_);
}

void CAsyncWorkFlow::RunStep() {
    LinkAtHead();
    const auto* item = static_cast<const WorkItem*>(exchange_);
    exchange_ = nullptr;
    if (IsCancelled()) return;  // cancelled before its first dispatch: no step, no notification
    try {
        item->step(item->argument, *this);
    } catch (const boost::context::detail::forced_unwind&) {
        throw;
    } catch (...) {
        // Any exception, CancelException included, ends the step quietly.
    }
    std::uintptr_t owner = owner_.load(std::memory_order_acquire);
    if (owner != 0 && owner != kCancelledOwner) {
        auto* handle = reinterpret_cast<FlowHandle*>(owner);
        handle->flow_ = nullptr;
        owner_.store(0, std::memory_order_release);
        Broadcast(WorkFlowMessage(), owner, 0);  // the end notification
    }
}

void CAsyncWorkFlow::Yield() {
    // Exception state is per thread: a flow may not leave its thread with an exception in flight.
    assert(std::uncaught_exceptions() == 0);
    thread_check::SwitchTo(checkedReturn_);
    return_ = std::move(return_).resume();
}

void CAsyncWorkFlow::Resume() {
    checkedReturn_ = thread_check::Current();
    thread_check::SwitchTo(checkedStack_);
    own_ = std::move(own_).resume();
}

CAsyncWorkFlow* CAsyncWorkFlow::StartFlow(const WorkItem& item, FlowHandle* handle) {
    if (handle && handle->flow_) CancelFlow(handle);
    CAsyncWorkFlow* flow = g_freeList;
    if (flow) {
        g_freeList = flow->nextFree_;
        flow->nextFree_ = nullptr;
        --g_freeCount;
    } else {
        boost::context::fiber fiber(std::allocator_arg, FiberStack(), &CAsyncWorkFlow::FiberBody);
        t_newCheckedStack = thread_check::Create();
        t_newCheckedReturn = thread_check::Current();
        thread_check::SwitchTo(t_newCheckedStack);
        fiber = std::move(fiber).resume();
        flow = t_newFlow;
        t_newFlow = nullptr;
        flow->own_ = std::move(fiber);
        ++g_fiberCount;
    }
    flow->state_.store(kRunning, std::memory_order_relaxed);
    flow->exchange_ = &item;
    flow->owner_.store(handle ? reinterpret_cast<std::uintptr_t>(handle) : 0,
                       std::memory_order_relaxed);
    if (handle) handle->flow_ = flow;
    return flow;
}

void CAsyncWorkFlow::Dispatch(CAsyncWorkFlow* flow) {
    flow->Resume();
    switch (flow->state_.load(std::memory_order_acquire)) {
        case kWantsUi:
            flow->state_.store(kRunning, std::memory_order_release);
            platform::PostMessage(g_window, WorkFlowMessage(), reinterpret_cast<WPARAM>(flow),
                                  DispatchThunkAddress());
            break;
        case kWantsPool:
            flow->state_.store(kOnPool, std::memory_order_release);
            platform::QueueWorkItem(&CAsyncWorkFlow::DispatchFromPool, flow);
            break;
        case kFinished:
            flow->Unlink();
            flow->nextFree_ = g_freeList;
            g_freeList = flow;
            ++g_freeCount;
            break;
        default:
            break;
    }
}

void CAsyncWorkFlow::DispatchFromPool(void* flow) {
    Dispatch(static_cast<CAsyncWorkFlow*>(flow));
}

void CAsyncWorkFlow::CancelFlow(FlowHandle* handle) {
    if (!handle || !handle->flow_) return;
    CAsyncWorkFlow* flow = handle->flow_;
    handle->flow_ = nullptr;
    flow->owner_.store(kCancelledOwner, std::memory_order_release);
    // A waiting flow stops here and now when that is safe; inside an unwinding (a handle destroyed
    // by a flow that is being cancelled) it stops from the loop instead. Any broadcast wakes a
    // cancelled waiting flow, so the end notification does both.
    if (MayRunFlowsHere()) flow->OnMessage(nullptr);
    Wake(reinterpret_cast<WPARAM>(handle));
}

bool CAsyncWorkFlow::WindowEntry(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                 LRESULT& result) {
    if (!g_window) g_window = hwnd;
    if (message == WorkFlowMessage() && lParam == DispatchThunkAddress() && wParam != 0) {
        DispatchThunk(reinterpret_cast<CAsyncWorkFlow*>(wParam));
        result = 0;
        return true;
    }
    Broadcast(message, wParam, lParam);
    if (message == WM_DESTROY && hwnd == g_window) g_window = nullptr;
    return false;
}

const BroadcastMessage* CAsyncWorkFlow::WaitMessage(FilterNode* filters) {
    CheckCancel();  // a cancelled flow would otherwise wait for a message that may never come
    exchange_ = filters;
    state_.store(kWaiting, std::memory_order_release);
    Yield();
    CheckCancel();
    return static_cast<const BroadcastMessage*>(exchange_);
}

void CAsyncWorkFlow::WaitFlowEnd(FlowHandle* handle) {
    if (!handle || !handle->flow_) return;
    FilterNode node;
    node.message = WorkFlowMessage();
    node.wParam = reinterpret_cast<WPARAM>(handle);
    WaitMessage(&node);
}

void CAsyncWorkFlow::HopToPool() {
    state_.store(kWantsPool, std::memory_order_release);
    Yield();
}

void CAsyncWorkFlow::HopToUi() {
    state_.store(kWantsUi, std::memory_order_release);
    Yield();
}

void PoolScope::RunOnPool(CAsyncWorkFlow& flow, void (*work)(void*), void* argument) {
    flow.HopToPool();
    work(argument);
    flow.HopToUi();
}

void CAsyncWorkFlow::CheckCancel() {
    if (state_.load(std::memory_order_acquire) == kRunning && IsCancelled()) {
        throw CancelException{};
    }
}

bool CAsyncWorkFlow::IsCancelled() const {
    return owner_.load(std::memory_order_acquire) == kCancelledOwner;
}

bool CAsyncWorkFlow::Matches(const BroadcastMessage& record) const {
    for (auto* node = static_cast<const FilterNode*>(exchange_); node; node = node->next) {
        if (node->match(*node, record)) return true;
    }
    return false;
}

void CAsyncWorkFlow::OnMessage(const BroadcastMessage* record) {
    if (state_.load(std::memory_order_acquire) != kWaiting) return;
    if (!IsCancelled() && !(record && Matches(*record))) return;
    exchange_ = record;
    state_.store(kRunning, std::memory_order_release);
    Dispatch(this);
}

std::size_t CAsyncWorkFlow::FiberCount() {
    return g_fiberCount;
}
std::size_t CAsyncWorkFlow::FreeFiberCount() {
    return g_freeCount;
}

void CAsyncWorkFlow::ReleaseFreeFibers() {
    while (CAsyncWorkFlow* flow = g_freeList) {
        g_freeList = flow->nextFree_;
        --g_freeCount;
        --g_fiberCount;
        flow->retire_ = true;
        void* checkedStack = flow->checkedStack_;
        flow->checkedReturn_ = thread_check::Current();
        boost::context::fiber fiber = std::move(flow->own_);
        thread_check::SwitchTo(checkedStack);
        std::move(fiber).resume();  // the body returns; the fiber and its stack are freed
        thread_check::Destroy(checkedStack);
    }
}

FlowSemaphore::Slot& FlowSemaphore::Slot::operator=(Slot&& other) noexcept {
    if (this != &other) {
        Release();
        semaphore_ = std::exchange(other.semaphore_, nullptr);
    }
    return *this;
}

void FlowSemaphore::Slot::Release() {
    if (FlowSemaphore* semaphore = std::exchange(semaphore_, nullptr)) semaphore->ReleaseOne();
}

FlowSemaphore::Slot FlowSemaphore::Acquire(CAsyncWorkFlow& flow) {
    while (counter_ == 0) {
        FilterNode node;
        node.message = CAsyncWorkFlow::WorkFlowMessage();
        node.wParam = reinterpret_cast<WPARAM>(&counter_);
        flow.WaitMessage(&node);
    }
    --counter_;
    return Slot(this);
}

void FlowSemaphore::ReleaseOne() {
    // Every waiter wakes (from the loop when the slot is released while its flow unwinds); the
    // first takes the slot and the others wait again.
    if (counter_++ == 0) Wake(reinterpret_cast<WPARAM>(&counter_));
}

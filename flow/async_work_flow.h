#pragma once
// Work flows: straight-line code that runs as a fiber. A flow starts on the UI thread, hops to a
// worker thread for blocking steps (PoolScope), comes back to the UI thread to touch program
// state, and may wait for broadcast messages without blocking anything. Program state is only
// touched while a flow is on the UI thread, so pages and stores need no locks.
//
// A flow must never hop threads or wait while an exception is in flight or inside a catch block:
// C++ keeps exception state per thread. PoolScope::Run catches on the worker thread and rethrows
// after the hop back, so step code can simply throw.

#include <atomic>
#include <boost/context/fiber.hpp>
#include <cstdint>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

#include "flow/msg_handler.h"

class CAsyncWorkFlow;

// A step function with its argument. The work item and what it points at only need to live until
// the Dispatch that follows StartFlow returns.
struct WorkItem {
    void (*step)(void* argument, CAsyncWorkFlow& flow) = nullptr;
    void* argument = nullptr;
};

// The owner's handle of a running flow: non-null while the flow runs. It cannot move (the flow
// keeps its address); destroying it cancels the flow, so a window that closes stops its jobs.
class FlowHandle {
  public:
    FlowHandle() = default;
    FlowHandle(const FlowHandle&) = delete;
    FlowHandle& operator=(const FlowHandle&) = delete;
    ~FlowHandle();

    bool Busy() const { return flow_ != nullptr; }
    explicit operator bool() const { return Busy(); }

  private:
    friend class CAsyncWorkFlow;
    CAsyncWorkFlow* flow_ = nullptr;
};

// One node of a wait's filter list. The standard match is true when all three values equal the
// record's.
struct FilterNode {
    using MatchFunction = bool (*)(const FilterNode& node, const BroadcastMessage& record);
    static bool StandardMatch(const FilterNode& node, const BroadcastMessage& record);

    MatchFunction match = &StandardMatch;
    FilterNode* next = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class CAsyncWorkFlow final : public CAsyncMsgHandler {
  public:
    // Thrown into a cancelled flow at its next hop back to the UI thread or its next wake-up.
    class CancelException {};

    enum State : int {
        kRunning = 0,    // runs, or will run, on the UI thread
        kOnPool = 1,     // queued to or running on a worker thread
        kWantsUi = 2,    // asks to continue on the UI thread
        kWantsPool = 3,  // asks to continue on a worker thread
        kWaiting = 4,    // waits for a matching broadcast
        kFinished = 5,   // its step is over
    };

    // Creates (or recycles) a flow for `item`, owned through `handle` when given. The caller must
    // Dispatch the result at once. A handle that still refers to a running flow cancels it first.
    static CAsyncWorkFlow* StartFlow(const WorkItem& item, FlowHandle* handle);
    // Runs the flow on the calling thread until it hops, waits or ends.
    static void Dispatch(CAsyncWorkFlow* flow);
    // Cancels the flow that `handle` refers to, if any.
    static void CancelFlow(FlowHandle* handle);

    // The main window's message map calls this for every message. A continuation is run and
    // reported as handled; any other message is broadcast and reported as not handled.
    static bool WindowEntry(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The registered number of the work-flow message ("LumenoAsyncWorkFlow").
    static UINT WorkFlowMessage();
    // The window that carries continuations, once its message map has run the entry.
    static HWND WorkFlowWindow();

    // Waits until a broadcast matches one of the filters; returns that record, which stays valid
    // until the flow yields again. Throws CancelException when the flow is cancelled.
    const BroadcastMessage* WaitMessage(FilterNode* filters);
    // Waits for the end of the flow owned through `handle` (it finished or was cancelled).
    // Returns at once when the handle is already empty.
    void WaitFlowEnd(FlowHandle* handle);

    // The hops that PoolScope makes. Use PoolScope::Run rather than these.
    void HopToPool();
    void HopToUi();
    // Throws CancelException when the flow runs on the UI thread and was cancelled.
    void CheckCancel();

    bool IsCancelled() const;
    State CurrentState() const {
        return static_cast<State>(state_.load(std::memory_order_acquire));
    }

    // Engine statistics for tests and benchmarks: fibers ever made, and contexts on the free list.
    static std::size_t FiberCount();
    static std::size_t FreeFiberCount();
    // Ends the fibers on the free list (process shutdown and tests). UI thread only.
    static void ReleaseFreeFibers();

    void OnMessage(const BroadcastMessage* record) override;

  private:
    static constexpr std::uintptr_t kCancelledOwner = ~std::uintptr_t{0};

    static boost::context::fiber FiberBody(boost::context::fiber&& creator);
    static void DispatchFromPool(void* flow);
    bool Matches(const BroadcastMessage& record) const;
    void Yield();
    void Resume();
    void RunStep();

    CAsyncWorkFlow() = default;

    // The owner's FlowHandle, null for an unowned flow, kCancelledOwner once cancelled.
    std::atomic<std::uintptr_t> owner_{0};
    boost::context::fiber own_;     // this flow's fiber while it is suspended
    boost::context::fiber return_;  // whoever resumed it last; yielding switches there
    // The thread checker's names for this flow's stack and for the one that resumed it last.
    void* checkedStack_ = nullptr;
    void* checkedReturn_ = nullptr;
    std::atomic<int> state_{kRunning};
    // At start the WorkItem; while waiting the first filter node; after a wake-up the record.
    const void* exchange_ = nullptr;
    bool retire_ = false;  // set on the free list to end the fiber
    CAsyncWorkFlow* nextFree_ = nullptr;
};

using CancelException = CAsyncWorkFlow::CancelException;

// Runs `body` on a worker thread and comes back to the UI thread with its result. An exception
// from `body` is caught on the worker and rethrown after the hop back; a flow cancelled meanwhile
// throws CancelException here instead of returning.
//
// The body is called out of line, through a function pointer, so that the compiler never merges
// its thread-local lookups (errno, the thread id) with the caller's on the other side of a hop.
// Code around the call must not keep such values across it either.
class PoolScope {
  public:
    template <typename Body>
    static auto Run(CAsyncWorkFlow& flow, Body&& body) -> std::invoke_result_t<Body> {
        using Result = std::invoke_result_t<Body>;
        std::exception_ptr error;
        if constexpr (std::is_void_v<Result>) {
            auto work = [&] {
                try {
                    std::forward<Body>(body)();
                } catch (...) {
                    error = std::current_exception();
                }
            };
            RunOnPool(flow, &Call<decltype(work)>, &work);
            if (error) std::rethrow_exception(error);
            flow.CheckCancel();
        } else {
            std::optional<Result> result;
            auto work = [&] {
                try {
                    result.emplace(std::forward<Body>(body)());
                } catch (...) {
                    error = std::current_exception();
                }
            };
            RunOnPool(flow, &Call<decltype(work)>, &work);
            if (error) std::rethrow_exception(error);
            flow.CheckCancel();
            return std::move(*result);
        }
    }

  private:
    template <typename Work>
    static void Call(void* work) {
        (*static_cast<Work*>(work))();
    }
    // Hops to a worker, calls `work(argument)` there, hops back.
    static void RunOnPool(CAsyncWorkFlow& flow, void (*work)(void*), void* argument);
};

// A counting semaphore for flows; its address is its identity in the wake-up broadcast.
class FlowSemaphore {
  public:
    // A held slot; it goes back when the slot is destroyed. Only a flow that acquired a slot can
    // release one.
    class Slot {
      public:
        Slot() = default;
        Slot(Slot&& other) noexcept : semaphore_(std::exchange(other.semaphore_, nullptr)) {}
        Slot& operator=(Slot&& other) noexcept;
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;
        ~Slot() { Release(); }
        void Release();
        bool Held() const { return semaphore_ != nullptr; }

      private:
        friend class FlowSemaphore;
        explicit Slot(FlowSemaphore* semaphore) : semaphore_(semaphore) {}
        FlowSemaphore* semaphore_ = nullptr;
    };

    explicit FlowSemaphore(int count) : counter_(count) {}
    FlowSemaphore(const FlowSemaphore&) = delete;
    FlowSemaphore& operator=(const FlowSemaphore&) = delete;

    // Waits while no slot is free. Throws CancelException when the flow is cancelled meanwhile.
    [[nodiscard]] Slot Acquire(CAsyncWorkFlow& flow);
    int Available() const { return counter_; }

  private:
    void ReleaseOne();
    int counter_;
};

// Starts `step` (a callable taking CAsyncWorkFlow&) as a flow and dispatches it. The callable is
// moved onto the flow's own stack before it first yields. `handle` may be null.
template <typename Step>
void RunFlow(FlowHandle* handle, Step&& step) {
    using Callable = std::decay_t<Step>;
    Callable callable(std::forward<Step>(step));
    WorkItem item{[](void* argument, CAsyncWorkFlow& flow) {
                      Callable local(std::move(*static_cast<Callable*>(argument)));
                      local(flow);
                  },
                  &callable};
    CAsyncWorkFlow::Dispatch(CAsyncWorkFlow::StartFlow(item, handle));
}

// The single-flight form: starts nothing while `handle` is busy. True when a flow was started.
template <typename Step>
bool RunFlowOnce(FlowHandle& handle, Step&& step) {
    if (handle.Busy()) return false;
    RunFlow(&handle, std::forward<Step>(step));
    return true;
}

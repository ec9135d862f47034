// The work-flow engine: hops, ends, cancellation and recycling of fibers.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "flow/async_work_flow.h"
#include "flow_test_util.h"
#include "tests/support/flow_window.h"

namespace {

using lumeno::test::FlowWindow;
using lumeno::test::PumpUntil;

// Records end notifications of one handle.
class EndWatcher final : public CAsyncMsgHandler {
  public:
    explicit EndWatcher(FlowHandle* handle) : handle_(handle) { LinkAtHead(); }
    void OnMessage(const BroadcastMessage* record) override {
        if (record && record->message == CAsyncWorkFlow::WorkFlowMessage() &&
            record->wParam == reinterpret_cast<WPARAM>(handle_)) {
            ++ends;
        }
    }
    int ends = 0;

  private:
    FlowHandle* handle_;
};

TEST(WorkFlow, StepWithoutHopEndsInsideStartAndNotifies) {
    FlowWindow window;
    FlowHandle handle;
    EndWatcher watcher(&handle);
    bool ran = false;
    bool handleBusyInside = false;
    RunFlow(&handle, [&](CAsyncWorkFlow&) {
        ran = true;
        handleBusyInside = handle.Busy();
    });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(handleBusyInside);
    EXPECT_FALSE(handle.Busy());
    EXPECT_EQ(watcher.ends, 1);
    EXPECT_EQ(CAsyncWorkFlow::FreeFiberCount(), 1u);
}

TEST(WorkFlow, PoolScopeRunsOnWorkerAndComesBackToUi) {
    FlowWindow window;
    FlowHandle handle;
    const auto ui = std::this_thread::get_id();
    std::thread::id poolThread, afterHop;
    int answer = 0;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        answer = PoolScope::Run(flow, [&] {
            poolThread = std::this_thread::get_id();
            return 42;
        });
        afterHop = std::this_thread::get_id();
    });
    EXPECT_TRUE(handle.Busy()) << "the flow waits for its worker";
    ASSERT_TRUE(PumpUntil([&] { return !handle.Busy(); }));
    EXPECT_EQ(answer, 42);
    EXPECT_NE(poolThread, ui);
    EXPECT_EQ(afterHop, ui);
}

TEST(WorkFlow, ExceptionOnWorkerIsRethrownOnUiThreadAndEndsFlowQuietly) {
    FlowWindow window;
    FlowHandle handle;
    EndWatcher watcher(&handle);
    const auto ui = std::this_thread::get_id();
    std::thread::id caughtOn;
    bool afterThrow = false;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        try {
            PoolScope::Run(flow, []() -> int { throw std::runtime_error("disk full"); });
            afterThrow = true;
        } catch (const std::runtime_error&) {
            caughtOn = std::this_thread::get_id();
        }
        // Uncaught: ends the step, but the end notification still goes out.
        PoolScope::Run(flow, [] { throw std::logic_error("escapes the step"); });
    });
    ASSERT_TRUE(PumpUntil([&] { return !handle.Busy(); }));
    EXPECT_FALSE(afterThrow);
    EXPECT_EQ(caughtOn, ui);
    EXPECT_EQ(watcher.ends, 1);
}

TEST(WorkFlow, CancelDuringPoolStepLetsStepFinishButSkipsUiPart) {
    FlowWindow window;
    FlowHandle handle;
    EndWatcher watcher(&handle);
    std::atomic<bool> release{false};
    std::atomic<bool> poolStepFinished{false};
    bool uiPartRan = false;
    bool unwound = false;
    struct UnwindMarker {
        bool* flag;
        ~UnwindMarker() { *flag = true; }
    };
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        UnwindMarker marker{&unwound};
        PoolScope::Run(flow, [&] {
            while (!release)
                std::this_thread::yield();
            poolStepFinished = true;
        });
        uiPartRan = true;
    });
    ASSERT_TRUE(handle.Busy());
    const std::size_t freeBefore = CAsyncWorkFlow::FreeFiberCount();
    CAsyncWorkFlow::CancelFlow(&handle);
    EXPECT_FALSE(handle.Busy());
    EXPECT_EQ(watcher.ends, 1) << "cancelling sends the end notification at once";
    release = true;
    ASSERT_TRUE(PumpUntil([&] { return CAsyncWorkFlow::FreeFiberCount() == freeBefore + 1; }));
    EXPECT_TRUE(poolStepFinished);
    EXPECT_FALSE(uiPartRan);
    EXPECT_TRUE(unwound) << "the step's stack unwinds through its destructors";
    EXPECT_EQ(watcher.ends, 1) << "a cancelled flow sends no second notification";
}

TEST(WorkFlow, CancelOfWaitingFlowStopsItOnTheCancellingThread) {
    FlowWindow window;
    FlowHandle handle;
    bool woke = false;
    bool unwound = false;
    std::thread::id unwoundOn;
    struct UnwindMarker {
        bool* flag;
        std::thread::id* thread;
        ~UnwindMarker() {
            *flag = true;
            *thread = std::this_thread::get_id();
        }
    };
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        UnwindMarker marker{&unwound, &unwoundOn};
        FilterNode node;
        node.message = WM_USER + 77;
        flow.WaitMessage(&node);
        woke = true;
    });
    ASSERT_TRUE(handle.Busy());
    EXPECT_EQ(CAsyncWorkFlow::FreeFiberCount(), 0u);
    CAsyncWorkFlow::CancelFlow(&handle);
    EXPECT_TRUE(unwound) << "stopped synchronously inside CancelFlow";
    EXPECT_EQ(unwoundOn, std::this_thread::get_id());
    EXPECT_FALSE(woke);
    EXPECT_EQ(CAsyncWorkFlow::FreeFiberCount(), 1u);
}

TEST(WorkFlow, WaitMessageWakesOnMatchingBroadcastOnly) {
    FlowWindow window;
    FlowHandle handle;
    LPARAM got = 0;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        FilterNode second;
        second.message = WM_USER + 2;
        second.wParam = 9;
        FilterNode first;
        first.message = WM_USER + 1;
        first.next = &second;
        got = flow.WaitMessage(&first)->lParam;
    });
    Broadcast(WM_USER + 2, 8, 0);  // wParam differs from the second node's
    Broadcast(WM_USER + 1, 0, 5);  // lParam differs from the first node's
    EXPECT_TRUE(handle.Busy());
    Broadcast(WM_USER + 2, 9, 0);  // the second node matches
    EXPECT_FALSE(handle.Busy());
    EXPECT_EQ(got, 0);
}

TEST(WorkFlow, WaitFlowEndResumesOnFinishAndOnCancel) {
    FlowWindow window;
    for (bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancel" : "finish");
        FlowHandle worker, waiter;
        bool waiterResumed = false;
        RunFlow(&worker, [](CAsyncWorkFlow& flow) {
            FilterNode node;
            node.message = WM_USER + 5;
            flow.WaitMessage(&node);
        });
        RunFlow(&waiter, [&](CAsyncWorkFlow& flow) {
            flow.WaitFlowEnd(&worker);
            waiterResumed = true;
        });
        EXPECT_FALSE(waiterResumed);
        if (cancel) {
            CAsyncWorkFlow::CancelFlow(&worker);
        } else {
            Broadcast(WM_USER + 5, 0, 0);
        }
        EXPECT_TRUE(waiterResumed);
        EXPECT_FALSE(worker.Busy());
        EXPECT_FALSE(waiter.Busy());
    }
}

TEST(WorkFlow, WaitFlowEndOnEmptyHandleReturnsAtOnce) {
    FlowWindow window;
    FlowHandle idle;
    bool returned = false;
    RunFlow(nullptr, [&](CAsyncWorkFlow& flow) {
        flow.WaitFlowEnd(&idle);
        returned = true;
    });
    EXPECT_TRUE(returned);
}

TEST(WorkFlow, NewFlowOnBusyHandleCancelsTheRunningOneAndSingleFlightDrops) {
    FlowWindow window;
    FlowHandle handle;
    int firstResumed = 0;
    int started = 0;
    auto waitForever = [&](CAsyncWorkFlow& flow) {
        ++started;
        FilterNode node;
        node.message = WM_USER + 9;
        flow.WaitMessage(&node);
        ++firstResumed;
    };
    RunFlow(&handle, waitForever);
    EXPECT_FALSE(RunFlowOnce(handle, waitForever)) << "single flight drops the request";
    EXPECT_EQ(started, 1);
    RunFlow(&handle, waitForever);  // replaces: the first flow is cancelled
    EXPECT_EQ(started, 2);
    Broadcast(WM_USER + 9, 0, 0);
    EXPECT_EQ(firstResumed, 1) << "only the second flow was still waiting";
    EXPECT_FALSE(handle.Busy());
}

TEST(WorkFlow, DestroyingTheHandleCancelsItsFlow) {
    FlowWindow window;
    bool unwound = false;
    struct UnwindMarker {
        bool* flag;
        ~UnwindMarker() { *flag = true; }
    };
    {
        FlowHandle handle;
        RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
            UnwindMarker marker{&unwound};
            FilterNode node;
            node.message = WM_USER + 3;
            flow.WaitMessage(&node);
        });
    }
    EXPECT_TRUE(unwound);
}

TEST(WorkFlow, HandleDestroyedWhileAnotherFlowUnwindsStopsItsFlowFromTheLoop) {
    FlowWindow window;
    FlowHandle outer;
    bool innerUnwound = false;
    struct UnwindMarker {
        bool* flag;
        ~UnwindMarker() { *flag = true; }
    };
    RunFlow(&outer, [&](CAsyncWorkFlow& flow) {
        // The inner handle dies while the outer flow unwinds its cancellation.
        FlowHandle inner;
        RunFlow(&inner, [&](CAsyncWorkFlow& innerFlow) {
            UnwindMarker marker{&innerUnwound};
            FilterNode node;
            node.message = WM_USER + 21;
            innerFlow.WaitMessage(&node);
        });
        FilterNode node;
        node.message = WM_USER + 22;
        flow.WaitMessage(&node);
    });
    CAsyncWorkFlow::CancelFlow(&outer);
    EXPECT_FALSE(outer.Busy());
    ASSERT_TRUE(PumpUntil([&] { return innerUnwound; }));
}

TEST(WorkFlow, FlowCancelledBeforeFirstDispatchNeverRunsItsStep) {
    FlowWindow window;
    RunFlow(nullptr, [](CAsyncWorkFlow&) {});  // leaves one fiber on the free list
    ASSERT_EQ(CAsyncWorkFlow::FreeFiberCount(), 1u);
    FlowHandle handle;
    EndWatcher watcher(&handle);
    bool ran = false;
    auto step = [&](CAsyncWorkFlow&) { ran = true; };
    WorkItem item{[](void* argument, CAsyncWorkFlow& flow) {
                      (*static_cast<decltype(step)*>(argument))(flow);
                  },
                  &step};
    CAsyncWorkFlow* flow = CAsyncWorkFlow::StartFlow(item, &handle);
    CAsyncWorkFlow::CancelFlow(&handle);
    int endsAfterCancel = watcher.ends;
    CAsyncWorkFlow::Dispatch(flow);
    EXPECT_FALSE(ran);
    EXPECT_EQ(watcher.ends, endsAfterCancel) << "no end notification from the flow itself";
    EXPECT_EQ(CAsyncWorkFlow::FreeFiberCount(), 1u);
    EXPECT_EQ(CAsyncWorkFlow::FiberCount(), 1u);
}

TEST(WorkFlow, FibersAreRecycledUpToTheMostFlowsAliveAtOnce) {
    FlowWindow window;
    constexpr int kAlive = 7;
    FlowHandle handles[kAlive];
    for (int round = 0; round < 3; ++round) {
        int waiting = 0;
        for (auto& handle : handles) {
            RunFlow(&handle, [&waiting](CAsyncWorkFlow& flow) {
                PoolScope::Run(flow, [] {});
                FilterNode node;
                node.message = WM_USER + 11;
                ++waiting;
                flow.WaitMessage(&node);
            });
        }
        ASSERT_TRUE(PumpUntil([&] { return waiting == kAlive; }));
        Broadcast(WM_USER + 11, 0, 0);
        for (auto& handle : handles)
            EXPECT_FALSE(handle.Busy());
        EXPECT_EQ(CAsyncWorkFlow::FiberCount(), static_cast<std::size_t>(kAlive));
        EXPECT_EQ(CAsyncWorkFlow::FreeFiberCount(), static_cast<std::size_t>(kAlive));
    }
    // Short flows one after another reuse the same fiber.
    for (int i = 0; i < 100; ++i)
        RunFlow(nullptr, [](CAsyncWorkFlow&) {});
    EXPECT_EQ(CAsyncWorkFlow::FiberCount(), static_cast<std::size_t>(kAlive));
}

TEST(WorkFlow, ManyFlowsOnWorkersAtOnceEachGetTheirOwnAnswer) {
    FlowWindow window;
    constexpr int kFlows = 40;
    FlowHandle handles[kFlows];
    int answers[kFlows] = {};
    for (int i = 0; i < kFlows; ++i) {
        RunFlow(&handles[i], [&answers, i](CAsyncWorkFlow& flow) {
            int local = i;
            for (int hop = 0; hop < 5; ++hop) {
                local = PoolScope::Run(flow, [local] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    return local + 1000;
                });
            }
            answers[i] = local;
        });
    }
    ASSERT_TRUE(PumpUntil([&] {
        for (auto& handle : handles) {
            if (handle.Busy()) return false;
        }
        return true;
    }));
    for (int i = 0; i < kFlows; ++i)
        EXPECT_EQ(answers[i], i + 5000);
}

}  // namespace

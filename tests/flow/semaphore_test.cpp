// The flow semaphore: waiting for a free slot, and slots that go back when their holder ends.
#include <gtest/gtest.h>

#include "flow/async_work_flow.h"
#include "flow_test_util.h"
#include "tests/support/flow_window.h"

namespace {

using lumeno::test::FlowWindow;

// Takes a slot, then waits for WM_USER + tag before giving it back.
void HoldSlot(FlowSemaphore& semaphore, FlowHandle& handle, int tag, int& acquired) {
    RunFlow(&handle, [&semaphore, &acquired, tag](CAsyncWorkFlow& flow) {
        FlowSemaphore::Slot slot = semaphore.Acquire(flow);
        ++acquired;
        FilterNode node;
        node.message = WM_USER + static_cast<UINT>(tag);
        flow.WaitMessage(&node);
    });
}

TEST(FlowSemaphore, SixthFlowWaitsUntilOneOfFiveReleases) {
    FlowWindow window;
    FlowSemaphore semaphore(5);
    FlowHandle handles[6];
    int acquired = 0;
    for (int i = 0; i < 6; ++i)
        HoldSlot(semaphore, handles[i], 100 + i, acquired);
    EXPECT_EQ(acquired, 5);
    EXPECT_EQ(semaphore.Available(), 0);
    EXPECT_TRUE(handles[5].Busy());

    Broadcast(WM_USER + 102, 0, 0);  // the third holder finishes and gives its slot back
    EXPECT_FALSE(handles[2].Busy());
    EXPECT_EQ(acquired, 6) << "the sixth flow took the freed slot";
    EXPECT_EQ(semaphore.Available(), 0);

    for (int i : {0, 1, 3, 4, 5})
        Broadcast(WM_USER + static_cast<UINT>(100 + i), 0, 0);
    EXPECT_EQ(semaphore.Available(), 5);
}

TEST(FlowSemaphore, CancelledWaiterLeavesWithoutTakingASlot) {
    FlowWindow window;
    FlowSemaphore semaphore(1);
    FlowHandle holder, waiter;
    int acquired = 0;
    HoldSlot(semaphore, holder, 1, acquired);
    HoldSlot(semaphore, waiter, 2, acquired);
    ASSERT_EQ(acquired, 1);
    CAsyncWorkFlow::CancelFlow(&waiter);
    EXPECT_FALSE(waiter.Busy());
    EXPECT_EQ(semaphore.Available(), 0);
    Broadcast(WM_USER + 1, 0, 0);
    EXPECT_EQ(semaphore.Available(), 1) << "only the holder's slot came back";
    EXPECT_EQ(acquired, 1);
}

TEST(FlowSemaphore, CancelledHolderHandsItsSlotToAWaiterWithoutAborting) {
    FlowWindow window;
    FlowSemaphore semaphore(1);
    FlowHandle holder, waiter;
    int acquired = 0;
    HoldSlot(semaphore, holder, 1, acquired);
    HoldSlot(semaphore, waiter, 2, acquired);
    ASSERT_EQ(acquired, 1);
    // The holder's slot goes back while its cancellation unwinds; the waiter must not be run
    // inside that unwinding, where its own wait would yield with the exception in flight.
    CAsyncWorkFlow::CancelFlow(&holder);
    ASSERT_TRUE(lumeno::test::PumpUntil([&] { return acquired == 2; }));
    EXPECT_EQ(semaphore.Available(), 0);
    EXPECT_TRUE(waiter.Busy()) << "the waiter holds the slot and waits for its own message";
    Broadcast(WM_USER + 2, 0, 0);
    EXPECT_EQ(semaphore.Available(), 1);
}

TEST(FlowSemaphore, SlotGoesBackWhenItsFlowIsCancelled) {
    FlowWindow window;
    FlowSemaphore semaphore(1);
    FlowHandle holder;
    int acquired = 0;
    HoldSlot(semaphore, holder, 1, acquired);
    ASSERT_EQ(semaphore.Available(), 0);
    CAsyncWorkFlow::CancelFlow(&holder);
    EXPECT_EQ(semaphore.Available(), 1);
}

TEST(FlowSemaphore, WritersSerialisedAcrossWorkerHops) {
    FlowWindow window;
    FlowSemaphore writeLock(1);
    constexpr int kWriters = 8;
    FlowHandle handles[kWriters];
    int inside = 0;
    int mostInside = 0;
    for (auto& handle : handles) {
        RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
            FlowSemaphore::Slot slot = writeLock.Acquire(flow);
            ++inside;
            mostInside = std::max(mostInside, inside);
            PoolScope::Run(flow, [] {});
            PoolScope::Run(flow, [] {});
            --inside;
        });
    }
    ASSERT_TRUE(lumeno::test::PumpUntil([&] {
        for (auto& handle : handles) {
            if (handle.Busy()) return false;
        }
        return true;
    }));
    EXPECT_EQ(mostInside, 1);
    EXPECT_EQ(writeLock.Available(), 1);
}

}  // namespace

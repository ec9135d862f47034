// What a work flow costs: a UI -> pool -> UI hop and the start of a flow on a recycled fiber, each
// as a ratio to the bare cost of one posted UI event plus one pool task, measured in this run.
#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

#include "flow/async_work_flow.h"
#include "platform/window.h"
#include "platform/work_pool.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 7;
constexpr int kIterations = 20000;

class BenchWindow final : public platform::Window {
  public:
    BenchWindow() { CreateHandle("LumenoBenchWindow"); }
    ~BenchWindow() override { DestroyHandle(); }
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override {
        if (message == WM_USER + 1) {
            ++arrived;
            return true;
        }
        return CAsyncWorkFlow::WindowEntry(Handle(), message, wParam, lParam, result);
    }
    int arrived = 0;
};

void PumpUntil(const std::function<bool()>& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Nanoseconds per iteration, the median of several rounds.
template <typename Body>
double Measure(Body body) {
    std::vector<double> rounds;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        body();
        auto elapsed = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        rounds.push_back(elapsed / kIterations);
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    BenchWindow window;

    // Bare: a pool task that posts one event back to the UI thread, waited for in turn.
    struct Bare {
        HWND hwnd;
    } bare{window.Handle()};
    const double bareNs = Measure([&] {
        for (int i = 0; i < kIterations; ++i) {
            const int expected = window.arrived + 1;
            platform::QueueWorkItem(
                [](void* argument) {
                    platform::PostMessage(static_cast<Bare*>(argument)->hwnd, WM_USER + 1, 0, 0);
                },
                &bare);
            PumpUntil([&] { return window.arrived >= expected; });
        }
    });

    // A flow that hops to the pool and back, over and over.
    const double hopNs = Measure([&] {
        FlowHandle handle;
        RunFlow(&handle, [](CAsyncWorkFlow& flow) {
            for (int i = 0; i < kIterations; ++i)
                PoolScope::Run(flow, [] {});
        });
        PumpUntil([&] { return !handle.Busy(); });
    });

    // Starting (and finishing) a flow whose fiber comes from the free list.
    RunFlow(nullptr, [](CAsyncWorkFlow&) {});
    const double startNs = Measure([] {
        for (int i = 0; i < kIterations; ++i)
            RunFlow(nullptr, [](CAsyncWorkFlow&) {});
    });

    std::printf("posted event + pool task (bare):   %8.0f ns\n", bareNs);
    std::printf("UI -> pool -> UI hop in a flow:    %8.0f ns  ratio %.2f\n", hopNs, hopNs / bareNs);
    std::printf("StartFlow on a recycled fiber:     %8.0f ns  ratio %.3f\n", startNs,
                startNs / bareNs);
    std::printf("fibers made: %zu\n", CAsyncWorkFlow::FiberCount());
    return 0;
}

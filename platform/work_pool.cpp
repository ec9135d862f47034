#include "platform/work_pool.h"

#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
namespace {

// A stack of the worker's own for signal handlers, so that a fault that comes from running out
// of stack (a runaway recursion in a step) can still be handled and reported.
class SignalStack {
  public:
    SignalStack() : memory_(std::make_unique<char[]>(kSize)) {
        stack_t stack{};
        stack.ss_sp = memory_.get();
        stack.ss_size = kSize;
        installed_ = ::sigaltstack(&stack, nullptr) == 0;
    }
    ~SignalStack() {
        if (!installed_) return;
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        ::sigaltstack(&off, nullptr);
    }
    SignalStack(const SignalStack&) = delete;
    SignalStack& operator=(const SignalStack&) = delete;

  private:
    static constexpr std::size_t kSize = 64 * 1024;
    std::unique_ptr<char[]> memory_;
    bool installed_ = false;
};

class WorkPool {
  public:
    void Queue(WorkFunction function, void* argument) {
        std::unique_lock lock(mutex_);
        queue_.push_back({function, argument});
        if (idle_ >= queue_.size() || threads_ >= kMaxPoolThreads) {
            lock.unlock();
            wake_.notify_one();
            return;
        }
        ++threads_;
        lock.unlock();
        // Workers are detached: at process exit a worker still blocked in a step ends with it.
        std::thread([this] { Work(); }).detach();
    }

  private:
    struct Item {
        WorkFunction function;
        void* argument;
    };

    void Work() {
        const SignalStack signalStack;
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            bool woken = wake_.wait_for(lock, kIdleLifetime, [this] { return !queue_.empty(); });
            --idle_;
            if (!woken) {
                --threads_;
                return;
            }
            Item item = queue_.front();
            queue_.pop_front();
            lock.unlock();
            item.function(item.argument);
            lock.lock();
        }
    }

    static constexpr std::chrono::seconds kIdleLifetime{30};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Item> queue_;
    std::size_t threads_ = 0;
    std::size_t idle_ = 0;
};

WorkPool& Pool() {
    static auto* pool = new WorkPool;  // never destroyed: detached workers may still use it
    return *pool;
}

}  // namespace

void QueueWorkItem(WorkFunction function, void* argument) {
    Pool().Queue(function, argument);
}

}  // namespace platform

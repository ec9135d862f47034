#pragma once
// The other accounts' side of the soak: a thread that sends one message every period through the
// local service, taking turns over the given senders and conversations, and remembers when each
// text left so that the client's side can tell the delivery time.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "tests/support/local_service.h"

namespace bench {

class Feed {
  public:
    using Clock = std::chrono::steady_clock;
    struct Route {
        std::string from;  // account that writes
        std::int32_t conversationId = 0;
    };

    Feed(lumeno::test::LocalService& service, std::vector<Route> routes,
         std::chrono::milliseconds period);
    ~Feed();
    Feed(const Feed&) = delete;
    Feed& operator=(const Feed&) = delete;

    void Start();
    // Stops sending and waits for the thread.
    void Stop();

    // When the text left, if this feed sent it and the service took it.
    std::optional<Clock::time_point> SentAt(const std::string& text) const;
    int Sent() const { return sent_; }
    // Sends the service refused or did not answer.
    int Failed() const { return failed_; }
    // Sends that began later than their turn by more than one period (the service too slow).
    int Late() const { return late_; }

  private:
    void Run();

    lumeno::test::LocalService& service_;
    std::vector<Route> routes_;
    std::chrono::milliseconds period_;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::atomic<int> sent_ = 0, failed_ = 0, late_ = 0;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Clock::time_point> sentAt_;
};

}  // namespace bench

#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "server/push/news_hub.h"
#include "server/store/db.h"

namespace lumeno::server {

// A moment of a state change: the time in seconds, which never goes backwards, and a sequence
// number that strictly increases. Synchronisation cursors are built from both.
struct Stamp {
    std::int64_t ts = 0;
    std::int64_t seq = 0;
};

// The service's state: one SQLite database used under one lock, the clock and the news hub.
class Store {
  public:
    explicit Store(const std::string& path);

    // Every use of Db() happens while the returned lock is held.
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }
    Database& Db() { return db_; }
    NewsHub& News() { return news_; }

    std::int64_t Now() const;
    void SetClockOffset(std::int64_t seconds) { clock_offset_ = seconds; }
    // Stops the clock at a moment (0 lets it run again), so that tests can put many changes
    // into one second.
    void FreezeClock(std::int64_t at) { frozen_at_ = at; }

    // Under the lock, inside the caller's transaction.
    Stamp NextStamp();
    // A message time that keeps message times in the order of message ids.
    std::int64_t MessageTime(std::int64_t wanted);

  private:
    std::mutex mutex_;
    Database db_;
    NewsHub news_;
    std::atomic<std::int64_t> clock_offset_{0};
    std::atomic<std::int64_t> frozen_at_{0};
    std::int64_t last_stamp_ts_ = 0;
    std::int64_t last_seq_ = 0;
    std::int64_t last_message_ts_ = 0;
};

}  // namespace lumeno::server

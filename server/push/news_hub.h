#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace lumeno::server {

// Per user: a generation that grows whenever something new is waiting for them, and the
// generation that their last complete synchronisation covered. The push server reads it.
class NewsHub {
  public:
    using Listener = std::function<void(std::int64_t user)>;

    void SetListener(Listener listener);

    void Bump(std::int64_t user);
    std::uint64_t Generation(std::int64_t user) const;
    void MarkCovered(std::int64_t user, std::uint64_t generation);
    // Something arrived that no complete synchronisation has picked up yet.
    bool Pending(std::int64_t user) const;

  private:
    struct Entry {
        std::uint64_t generation = 0;
        std::uint64_t covered = 0;
    };

    mutable std::mutex mutex_;
    std::unordered_map<std::int64_t, Entry> entries_;
    Listener listener_;
};

}  // namespace lumeno::server

#include "server/push/news_hub.h"

namespace lumeno::server {

void NewsHub::SetListener(Listener listener) {
    std::lock_guard<std::mutex> lock(mutex_);
    listener_ = std::move(listener);
}

void NewsHub::Bump(std::int64_t user) {
    Listener listener;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++entries_[user].generation;
        listener = listener_;
    }
    if (listener) listener(user);
}

std::uint64_t NewsHub::Generation(std::int64_t user) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = entries_.find(user);
    return found == entries_.end() ? 0 : found->second.generation;
}

void NewsHub::MarkCovered(std::int64_t user, std::uint64_t generation) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry& entry = entries_[user];
    if (generation > entry.covered) entry.covered = generation;
}

bool NewsHub::Pending(std::int64_t user) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = entries_.find(user);
    return found != entries_.end() && found->second.generation > found->second.covered;
}

}  // namespace lumeno::server

#include "bench/soak/feed.h"

#include "net/url_encode.h"

namespace bench {

Feed::Feed(lumeno::test::LocalService& service, std::vector<Route> routes,
           std::chrono::milliseconds period)
    : service_(service), routes_(std::move(routes)), period_(period) {}

Feed::~Feed() {
    Stop();
}

void Feed::Start() {
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void Feed::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

std::optional<Feed::Clock::time_point> Feed::SentAt(const std::string& text) const {
    std::lock_guard lock(mutex_);
    const auto found = sentAt_.find(text);
    if (found == sentAt_.end()) return std::nullopt;
    return found->second;
}

void Feed::Run() {
    auto turn = Clock::now();
    for (std::size_t i = 0; !stop_; ++i) {
        const Route& route = routes_[i % routes_.size()];
        const std::string text = "soak " + std::to_string(i) + " from " + route.from;
        const std::string path = "/admin/send?mid=" + std::to_string(route.conversationId) +
                                 "&from=" + route.from + "&text=" + UrlEncode(text);
        const auto now = Clock::now();
        if (now - turn > period_) ++late_;
        {
            // Noted before the send: the push may reach the client before the answer reaches us.
            std::lock_guard lock(mutex_);
            sentAt_[text] = now;
        }
        if (service_.Get(path).find("\"id\"") != std::string::npos) {
            ++sent_;
        } else {
            ++failed_;
            std::lock_guard lock(mutex_);
            sentAt_.erase(text);
        }
        turn += period_;
        // A late feed does not try to catch up in a burst.
        if (turn < Clock::now()) turn = Clock::now();
        std::this_thread::sleep_until(turn);
    }
}

}  // namespace bench

#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "server/api/service.h"
#include "server/push/news_hub.h"
#include "server/push/push_protocol.h"
#include "server/store/store.h"

namespace lumeno::server {

// The push server: one thread, non-blocking sockets, epoll. Each ping is answered at once;
// a ping answered without news leaves the connection armed, and "1#" goes out the moment news
// arrives for its user. News that no complete synchronisation picked up is signalled again
// about once a second, so that a notification the client could not act on is not lost.
class PushServer : public PushControl {
  public:
    explicit PushServer(Store& store);
    ~PushServer() override;
    PushServer(const PushServer&) = delete;
    PushServer& operator=(const PushServer&) = delete;

    int Bind(const std::string& host, int port);
    void Start();
    void Stop();
    int port() const { return port_; }

    void SetMode(PushMode mode) override;
    PushMode Mode() const override { return mode_; }
    int CloseSessions(std::int64_t user) override;
    int SessionCount(std::int64_t user) const override;

  private:
    using Clock = std::chrono::steady_clock;

    struct Session {
        int fd = -1;
        PushParser parser;
        std::int64_t user = 0;
        bool armed = false;
        std::uint64_t signalled = 0;
        Clock::time_point last_signal{};
        std::string outbox;
        std::atomic<bool> closing{false};  // set by the admin endpoint, acted on by the loop
    };

    void Loop();
    int OpenListener();
    void ApplyMode();
    void AcceptAll();
    void Read(Session& session);
    void Handle(Session& session, const PushEvent& event);
    void Signal(Session& session);
    void Send(Session& session, std::string_view text);
    void Flush(Session& session);
    void DeliverNews();
    void Resignal();
    void CloseMarked();
    void Wake();
    std::int64_t ResolveUser(const std::string& uid);

    Store& store_;
    NewsHub& news_;
    std::string host_;
    int port_ = 0;
    int listen_fd_ = -1;
    int epoll_fd_ = -1;
    int wake_fd_ = -1;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<PushMode> mode_{PushMode::kNormal};

    mutable std::mutex mutex_;  // sessions_, news_queue_, applied_mode_
    std::condition_variable mode_applied_;
    PushMode applied_mode_ = PushMode::kNormal;
    std::map<int, Session> sessions_;
    std::deque<std::int64_t> news_queue_;
};

}  // namespace lumeno::server

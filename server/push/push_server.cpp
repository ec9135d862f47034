#include "server/push/push_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

#include "server/core/log.h"
#include "server/core/text.h"
#include "server/store/user_repo.h"

namespace lumeno::server {
namespace {

constexpr auto kResignalInterval = std::chrono::seconds(1);
constexpr int kTickMs = 200;
constexpr size_t kMaxSessions = 10000;
constexpr size_t kMaxOutbox = 64 * 1024;

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
}

}  // namespace

PushServer::PushServer(Store& store) : store_(store), news_(store.News()) {
    epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
    wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epoll_fd_ < 0 || wake_fd_ < 0) throw std::runtime_error("push server: no epoll");
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = wake_fd_;
    epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_fd_, &ev);
    news_.SetListener([this](std::int64_t user) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            news_queue_.push_back(user);
        }
        Wake();
    });
}

PushServer::~PushServer() {
    news_.SetListener(nullptr);
    Stop();
    for (auto& [fd, session] : sessions_)
        close(fd);
    if (listen_fd_ >= 0) close(listen_fd_);
    close(wake_fd_);
    close(epoll_fd_);
}

int PushServer::OpenListener() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port_));
    if (inet_pton(AF_INET, host_.c_str(), &addr.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 128) != 0) {
        close(fd);
        return -1;
    }
    socklen_t size = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
    port_ = ntohs(addr.sin_port);
    SetNonBlocking(fd);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &ev);
    return fd;
}

int PushServer::Bind(const std::string& host, int port) {
    host_ = host;
    port_ = port;
    listen_fd_ = OpenListener();
    if (listen_fd_ < 0)
        throw std::runtime_error("cannot bind the push server to " + host + ":" +
                                 std::to_string(port));
    return port_;
}

void PushServer::Start() {
    running_ = true;
    thread_ = std::thread([this] { Loop(); });
}

void PushServer::Stop() {
    if (!thread_.joinable()) return;
    running_ = false;
    Wake();
    thread_.join();
}

void PushServer::Wake() {
    std::uint64_t one = 1;
    ssize_t written = write(wake_fd_, &one, sizeof one);
    (void)written;
}

void PushServer::SetMode(PushMode mode) {
    mode_ = mode;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!running_) {
        applied_mode_ = mode;
        return;
    }
    lock.unlock();
    Wake();
    lock.lock();
    mode_applied_.wait_for(lock, std::chrono::seconds(5), [&] { return applied_mode_ == mode; });
}

int PushServer::CloseSessions(std::int64_t user) {
    int count = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [fd, s] : sessions_) {
            if (user != 0 && s.user != user) continue;
            s.closing = true;
            ++count;
        }
    }
    Wake();
    return count;
}

int PushServer::SessionCount(std::int64_t user) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int count = 0;
    for (const auto& [fd, s] : sessions_)
        if (!s.closing && (user == 0 || s.user == user)) ++count;
    return count;
}

void PushServer::ApplyMode() {
    PushMode mode = mode_;
    if (mode == PushMode::kRefuse && listen_fd_ >= 0) {
        close(listen_fd_);
        listen_fd_ = -1;
    } else if (mode != PushMode::kRefuse && listen_fd_ < 0) {
        listen_fd_ = OpenListener();
        if (listen_fd_ < 0) LogError("push server: cannot listen again on its port");
    }
    std::lock_guard<std::mutex> lock(mutex_);
    applied_mode_ = mode;
    mode_applied_.notify_all();
}

std::int64_t PushServer::ResolveUser(const std::string& uid) {
    auto lock = store_.Lock();
    Database& db = store_.Db();
    if (std::optional<std::int32_t> id = ParseInt32(uid))
        if (FindUser(db, *id)) return *id;
    if (std::optional<UserRow> u = FindUserByQxid(db, uid)) return u->id;
    return db.QueryInt("SELECT id FROM users WHERE tid=?", uid).value_or(0);
}

void PushServer::Loop() {
    std::vector<epoll_event> events(64);
    while (running_) {
        int n = epoll_wait(epoll_fd_, events.data(), static_cast<int>(events.size()), kTickMs);
        if (n < 0 && errno != EINTR) break;
        if (mode_ != applied_mode_) ApplyMode();
        for (int i = 0; i < n; ++i) {
            int fd = events[static_cast<size_t>(i)].data.fd;
            if (fd == wake_fd_) {
                std::uint64_t value;
                while (read(wake_fd_, &value, sizeof value) > 0) {
                }
                continue;
            }
            if (fd == listen_fd_) {
                AcceptAll();
                continue;
            }
            std::unique_lock<std::mutex> lock(mutex_);
            auto found = sessions_.find(fd);
            if (found == sessions_.end()) continue;
            Session& session = found->second;
            lock.unlock();
            std::uint32_t what = events[static_cast<size_t>(i)].events;
            if (what & (EPOLLIN | EPOLLHUP | EPOLLERR)) Read(session);
            if ((what & EPOLLOUT) && !session.closing) Flush(session);
        }
        DeliverNews();
        Resignal();
        CloseMarked();
    }
}

void PushServer::AcceptAll() {
    while (true) {
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        if (mode_ == PushMode::kReject) {
            close(fd);
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (sessions_.size() >= kMaxSessions) {
            close(fd);
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &ev);
        sessions_[fd].fd = fd;
        LogDebug("push: connection " + std::to_string(fd));
    }
}

void PushServer::Read(Session& session) {
    char buffer[1024];
    while (!session.closing) {
        ssize_t got = recv(session.fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            for (const PushEvent& event :
                 session.parser.Feed(std::string_view(buffer, static_cast<size_t>(got))))
                Handle(session, event);
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        session.closing = true;  // closed by the client, or failed
    }
}

void PushServer::Handle(Session& session, const PushEvent& event) {
    if (mode_ == PushMode::kSilent) return;
    switch (event.kind) {
        case PushEvent::kInvalid:
            LogDebug("push: closing " + std::to_string(session.fd) + ": " + event.uid);
            session.closing = true;
            return;
        case PushEvent::kAnnounce: {
            std::int64_t user = ResolveUser(event.uid);
            if (user == 0) {
                Send(session, kReplyRefused);
                session.closing = true;
                return;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            session.user = user;
            session.signalled = news_.Generation(user);
            session.last_signal = Clock::time_point{};
            session.armed = false;
        }
            Send(session, kReplyAccepted);
            return;
        case PushEvent::kPing: {
            if (session.user == 0) {
                session.closing = true;
                return;
            }
            std::uint64_t generation = news_.Generation(session.user);
            bool fresh_news = generation > session.signalled;
            bool unpicked = news_.Pending(session.user) &&
                            Clock::now() - session.last_signal >= kResignalInterval;
            if (fresh_news || unpicked) {
                Signal(session);
            } else {
                session.armed = true;
                Send(session, kReplyNothing);
            }
            return;
        }
    }
}

void PushServer::Signal(Session& session) {
    session.signalled = news_.Generation(session.user);
    session.last_signal = Clock::now();
    session.armed = false;
    Send(session, kReplyNews);
}

void PushServer::Send(Session& session, std::string_view text) {
    session.outbox.append(text);
    if (session.outbox.size() > kMaxOutbox) {
        session.closing = true;  // a client that never reads
        return;
    }
    Flush(session);
}

void PushServer::Flush(Session& session) {
    while (!session.outbox.empty()) {
        ssize_t sent = send(session.fd, session.outbox.data(), session.outbox.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            session.outbox.erase(0, static_cast<size_t>(sent));
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        session.closing = true;
        return;
    }
    epoll_event ev{};
    ev.events = EPOLLIN | (session.outbox.empty() ? 0u : static_cast<std::uint32_t>(EPOLLOUT));
    ev.data.fd = session.fd;
    epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, session.fd, &ev);
}

void PushServer::DeliverNews() {
    std::deque<std::int64_t> users;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        users.swap(news_queue_);
    }
    if (users.empty() || mode_ == PushMode::kSilent) return;
    for (std::int64_t user : users) {
        for (auto& [fd, session] : sessions_)
            if (session.user == user && session.armed && !session.closing) Signal(session);
    }
}

void PushServer::Resignal() {
    if (mode_ == PushMode::kSilent) return;
    Clock::time_point now = Clock::now();
    for (auto& [fd, session] : sessions_) {
        if (!session.armed || session.closing || session.user == 0) continue;
        if (now - session.last_signal >= kResignalInterval && news_.Pending(session.user))
            Signal(session);
    }
}

void PushServer::CloseMarked() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        if (!it->second.closing) {
            ++it;
            continue;
        }
        epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, it->first, nullptr);
        close(it->first);
        LogDebug("push: closed " + std::to_string(it->first));
        it = sessions_.erase(it);
    }
}

}  // namespace lumeno::server

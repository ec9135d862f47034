#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/directories.h"

namespace platform {
namespace {

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::string ChannelPath(const std::string& name) {
    return JoinPath(RuntimeDirectory(), name);
}

}  // namespace

InstanceLock::~InstanceLock() {
    Release();
}

InstanceLock::Result InstanceLock::Acquire(const std::string& name) {
    Release();
    std::string path = JoinPath(RuntimeDirectory(), name + ".lock");
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Result::HeldElsewhere : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

void InstanceLock::Release() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
    fd_ = -1;
}

struct InstanceChannel::Connection {
    int fd = -1;
    std::string received;
    std::unique_ptr<QSocketNotifier> notifier;
    ~Connection() {
        notifier.reset();
        if (fd >= 0) ::close(fd);
    }
};

InstanceChannel::InstanceChannel() = default;

InstanceChannel::~InstanceChannel() {
    connections_.clear();
    notifier_.reset();
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(path_.c_str());
    }
}

bool InstanceChannel::Listen(const std::string& name, UINT acceptedMessage,
                             std::function<void(UINT)> onMessage) {
    sockaddr_un address;
    path_ = ChannelPath(name);
    if (!MakeAddress(path_, address)) return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ::unlink(path_.c_str());  // a socket left by a crashed first instance; we hold the lock now
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    listener_ = fd;
    accepted_ = acceptedMessage;
    onMessage_ = std::move(onMessage);
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Accept(); });
    return true;
}

void InstanceChannel::Accept() {
    for (;;) {
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        Connection* raw = connection.get();
        QObject::connect(connection->notifier.get(), &QSocketNotifier::activated,
                         [this, raw] { Read(raw); });
        connections_.push_back(std::move(connection));
    }
}

void InstanceChannel::Read(Connection* connection) {
    char buffer[32];
    ssize_t got = ::read(connection->fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (got > 0) connection->received.append(buffer, static_cast<std::size_t>(got));
    bool finished = got <= 0 || connection->received.find('\n') != std::string::npos ||
                    connection->received.size() > 16;
    if (!finished) return;
    std::string text = connection->received.substr(0, connection->received.find('\n'));
    // Remove the connection before acting: the handler may run a nested loop.
    auto found = std::find_if(connections_.begin(), connections_.end(),
                              [connection](const auto& c) { return c.get() == connection; });
    if (found != connections_.end()) {
        // The notifier is inside its own signal: it goes later, the socket goes now.
        connection->notifier->setEnabled(false);
        connection->notifier.release()->deleteLater();
        connections_.erase(found);
    }
    char* end = nullptr;
    unsigned long message = std::strtoul(text.c_str(), &end, 10);
    if (!text.empty() && end && *end == '\0' && message == accepted_ && onMessage_) {
        onMessage_(static_cast<UINT>(message));
    }
}

bool SendToFirstInstance(const std::string& name, UINT message) {
    sockaddr_un address;
    if (!MakeAddress(ChannelPath(name), address)) return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool sent = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::string text = std::to_string(message) + "\n";
        sent =
            ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
    }
    ::close(fd);
    return sent;
}

}  // namespace platform

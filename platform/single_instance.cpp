#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
    const std::string& folder = RuntimeDirectory();
    return folder.empty() ? std::string() : JoinPath(folder, name);
}

// Opens the lock file, never through a link. Whatever else stands at its name (a link, a file of
// another user, a second name of another file, a pipe) is not ours to lock: it goes, and a fresh
// file takes its place. A lock file of a running instance is an ordinary file of ours and stays.
int OpenLockFile(const std::string& path) {
    // O_NONBLOCK: a pipe or device put there must not hold up the start.
    constexpr int kFlags = O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(path.c_str(), kFlags, 0600);
        if (fd >= 0) {
            struct stat info {};
            if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
                info.st_nlink == 1)
                return fd;
            ::close(fd);
        } else if (errno != ELOOP) {
            return -1;
        }
        ::unlink(path.c_str());
    }
    return -1;
}

// The first instance's socket: only a socket of ours at that name is spoken to; connect() would
// follow a link planted there.
bool IsOwnSocket(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) &&
           info.st_uid == ::geteuid();
}

}  // namespace

InstanceLock::~InstanceLock() {
    Release();
}

InstanceLock::Result InstanceLock::Acquire(const std::string& name) {
    Release();
    const std::string& folder = RuntimeDirectory();
    if (folder.empty()) return Result::Unavailable;
    const int fd = OpenLockFile(JoinPath(folder, name + ".lock"));
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
    if (path_.empty() || !MakeAddress(path_, address)) return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // A socket left by a crashed first instance (we hold the lock now), or anything else put at
    // its name: unlink removes a link itself, never what it points to, and bind makes a new one.
    ::unlink(path_.c_str());
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
    const std::string path = ChannelPath(name);
    if (path.empty() || !IsOwnSocket(path) || !MakeAddress(path, address)) return false;
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

#include "net/push_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "config/log.h"
#include "net/push_reply.h"
#include "platform/socket_select.h"
#include "platform/window.h"
#include "util/user_messages.h"

PushSocket::PushSocket(CAsyncWorkFlow& flow) : flow_(flow) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ >= 0) {
        int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
}

PushSocket::~PushSocket() {
    if (fd_ < 0) return;
    platform::AsyncSelect(fd_, nullptr, 0, 0);
    ::close(fd_);
}

long PushSocket::SocketWait(long events) {
    const HWND window = CAsyncWorkFlow::WorkFlowWindow();
    if (!platform::AsyncSelect(fd_, window, UM_SOCKET_NOTIFY, events)) return 0;
    // Notifications stop however the wait ends, cancellation included.
    struct StopNotifications {
        int fd;
        ~StopNotifications() { platform::AsyncSelect(fd, nullptr, 0, 0); }
    } stop{fd_};
    TimerGuard limit(flow_, kWaitMilliseconds);
    FilterNode socketNode;
    socketNode.match = &MatchMessageAndFirst;
    socketNode.message = UM_SOCKET_NOTIFY;
    socketNode.wParam = static_cast<WPARAM>(fd_);
    socketNode.next = &limit.Filter();
    const BroadcastMessage* woke = flow_.WaitMessage(&socketNode);
    if (woke && woke->message == UM_SOCKET_NOTIFY) {
        const long occurred = static_cast<long>(woke->lParam & 0xFFFF);
        return occurred != 0 ? occurred : events;
    }
    return 0;
}

int PushSocket::PushConnect(int port, std::uint32_t address) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    target.sin_addr.s_addr = address;
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) {
        connected_ = true;
        return 0;
    }
    if (errno != EINPROGRESS && errno != EWOULDBLOCK) return -1;
    if (SocketWait(platform::FD_CONNECT | platform::FD_WRITE) == 0) return -2;
    int error = -1;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return -1;
    connected_ = true;
    return 0;
}

int PushSocket::PushSend(const char* bytes, int length) {
    for (;;) {
        const ssize_t sent = ::send(fd_, bytes, static_cast<std::size_t>(length), MSG_NOSIGNAL);
        if (sent == length) return length;
        if (sent == 0) return 0;
        if (sent > 0) return -1;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        const long events = SocketWait(platform::FD_WRITE | platform::FD_CLOSE);
        if (events == 0) return -2;
        if (events & platform::FD_CLOSE) return 0;
    }
}

int PushSocket::PushReceive(char* buffer) {
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer, kReceivePiece, 0);
        if (got > 0) return static_cast<int>(got);
        if (got == 0) return 0;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        const long events = SocketWait(platform::FD_READ | platform::FD_CLOSE);
        if (events == 0) return -2;
        if (events & platform::FD_CLOSE) {
            // Data that came with the close is still read before the close is reported.
            const ssize_t last = ::recv(fd_, buffer, kReceivePiece, 0);
            return last > 0 ? static_cast<int>(last) : 0;
        }
    }
}

int PushSocket::ReadReply(std::string& text) {
    PushReplyReader reader(kMostReplyBytes);
    char piece[kReceivePiece];
    int result = PushReceive(piece);
    while (result > 0) {
        const PushReplyReader::Step step =
            reader.Add(std::string_view(piece, static_cast<std::size_t>(result)));
        if (step == PushReplyReader::Step::kComplete) break;
        if (step == PushReplyReader::Step::kTooLong) {
            // Replies are a few bytes; a peer that keeps talking without ending one is broken.
            WriteLog("长连接: 回复过长 (%zu)", reader.Text().size());
            text.clear();
            return -1;
        }
        result = PushReceive(piece);
    }
    text = reader.Text();
    // A reply that took several pieces is logged once, whole.
    if (reader.Pieces() > 1) WriteLog("长连接: %s", text.c_str());
    return result;
}

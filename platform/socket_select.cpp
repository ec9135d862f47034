#include "platform/socket_select.h"

#include <sys/socket.h>

#include <QSocketNotifier>
#include <cerrno>
#include <map>
#include <memory>

#include "platform/window.h"

namespace platform {
namespace {

struct Watch {
    HWND hwnd = nullptr;
    UINT message = 0;
    long events = 0;
    std::unique_ptr<QSocketNotifier> readable;
    std::unique_ptr<QSocketNotifier> writable;
};

std::map<int, Watch>& Watches() {
    static auto* watches = new std::map<int, Watch>;
    return *watches;
}

void Retire(std::unique_ptr<QSocketNotifier>& notifier) {
    if (!notifier) return;
    notifier->setEnabled(false);
    notifier.release()->deleteLater();  // it may be inside its own signal
}

void Stop(int socket) {
    auto found = Watches().find(socket);
    if (found == Watches().end()) return;
    Retire(found->second.readable);
    Retire(found->second.writable);
    Watches().erase(found);
}

// Tells the window once, then waits to be asked again.
void Tell(int socket, long occurred) {
    auto found = Watches().find(socket);
    if (found == Watches().end()) return;
    Watch& watch = found->second;
    // The error half stays 0: reading SO_ERROR here would clear it before the waiting code
    // looks at it.
    const int error = 0;
    const HWND hwnd = watch.hwnd;
    const UINT message = watch.message;
    Stop(socket);
    PostMessage(hwnd, message, static_cast<WPARAM>(socket),
                static_cast<LPARAM>((occurred & 0xFFFF) | ((error & 0xFFFF) << 16)));
}

void OnReadable(int socket) {
    auto found = Watches().find(socket);
    if (found == Watches().end()) return;
    char probe;
    const ssize_t peeked = ::recv(socket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    const bool closed = peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    long occurred = 0;
    if (closed && (found->second.events & FD_CLOSE)) occurred |= FD_CLOSE;
    if (!closed && (found->second.events & FD_READ)) occurred |= FD_READ;
    if (closed && !(found->second.events & FD_CLOSE)) occurred |= found->second.events & FD_READ;
    if (occurred) Tell(socket, occurred);
}

void OnWritable(int socket) {
    auto found = Watches().find(socket);
    if (found == Watches().end()) return;
    Tell(socket, found->second.events & (FD_WRITE | FD_CONNECT));
}

}  // namespace

bool AsyncSelect(int socket, HWND hwnd, UINT message, long events) {
    Stop(socket);
    if (events == 0) return true;
    if (socket < 0 || !IsWindow(hwnd)) return false;
    Watch& watch = Watches()[socket];
    watch.hwnd = hwnd;
    watch.message = message;
    watch.events = events;
    if (events & (FD_READ | FD_CLOSE)) {
        watch.readable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
        QObject::connect(watch.readable.get(), &QSocketNotifier::activated,
                         [socket] { OnReadable(socket); });
    }
    if (events & (FD_WRITE | FD_CONNECT)) {
        watch.writable = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
        QObject::connect(watch.writable.get(), &QSocketNotifier::activated,
                         [socket] { OnWritable(socket); });
    }
    return true;
}

}  // namespace platform

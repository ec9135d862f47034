// A gate in front of a local port, for a service that is down and comes back at the same address:
// shut, connections to the gate's port are refused; open, each one is passed through to the port
// behind it.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <list>
#include <mutex>
#include <string>
#include <thread>

namespace lumeno::test {

class TcpGate {
  public:
    explicit TcpGate(int targetPort) : target_(targetPort) {
        const int probe = Listener(0);
        sockaddr_in address{};
        socklen_t size = sizeof address;
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        ::close(probe);
    }
    ~TcpGate() {
        Shut();
        stopping_ = true;
        std::lock_guard lock(mutex_);
        for (std::thread& pump : pumps_)
            pump.join();
    }
    TcpGate(const TcpGate&) = delete;
    TcpGate& operator=(const TcpGate&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

    void Open() {
        if (acceptor_.joinable()) return;
        listener_ = Listener(port_);
        closing_ = false;
        acceptor_ = std::thread([this] { Accept(); });
    }
    // Connections already passed through go on; new ones are refused.
    void Shut() {
        if (!acceptor_.joinable()) return;
        closing_ = true;
        acceptor_.join();
        ::close(listener_);
        listener_ = -1;
    }

  private:
    static int Listener(int port) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 16);
        return fd;
    }

    void Accept() {
        while (!closing_) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0) continue;
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            const int service = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<std::uint16_t>(target_));
            if (::connect(service, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                ::close(client);
                ::close(service);
                continue;
            }
            std::lock_guard lock(mutex_);
            pumps_.emplace_back([this, client, service] { Pump(client, service); });
        }
    }

    // Copies both ways until either side closes or the gate goes.
    void Pump(int a, int b) {
        char buffer[16384];
        while (!stopping_) {
            pollfd ends[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
            if (::poll(ends, 2, 20) <= 0) continue;
            bool open = true;
            for (int i = 0; i < 2 && open; ++i) {
                if (!(ends[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                const ssize_t got = ::read(ends[i].fd, buffer, sizeof buffer);
                open = got > 0 && ::send(ends[1 - i].fd, buffer, static_cast<std::size_t>(got),
                                         MSG_NOSIGNAL) == got;
            }
            if (!open) break;
        }
        ::close(a);
        ::close(b);
    }

    int target_;
    int port_ = 0;
    int listener_ = -1;
    std::atomic<bool> closing_{false};
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::list<std::thread> pumps_;
};

}  // namespace lumeno::test

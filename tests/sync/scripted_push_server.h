#pragma once
// A loopback push server whose every connection follows a script written in the test: read the
// client's messages, answer in pieces, stay silent, close.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumeno::test {

class PushPeer {
  public:
    explicit PushPeer(int fd) : fd_(fd) {}
    // The next message the client sent (up to and including its "#"), or "" when it closed or
    // nothing came within `limit`.
    std::string ReadMessage(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            // The client sends "uid#<id>#ping#" once, then "ping#" again and again.
            std::size_t length = 0;
            if (pending_.rfind("uid#", 0) == 0) {
                auto end = pending_.find("#ping#", 4);
                if (end != std::string::npos) length = end + 6;
            } else if (pending_.size() >= 5) {
                length = 5;
            }
            if (length > 0) {
                std::string message = pending_.substr(0, length);
                pending_.erase(0, length);
                return message;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return {};
            pollfd readable{fd_, POLLIN, 0};
            if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0) return {};
            char buffer[512];
            ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) {
                closed_ = true;
                return {};
            }
            pending_.append(buffer, static_cast<std::size_t>(got));
        }
    }
    void Send(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Sends each piece separately, a pause apart, so that they arrive as separate TCP segments.
    void SendInPieces(const std::vector<std::string>& pieces, std::chrono::milliseconds pause) {
        for (const auto& piece : pieces) {
            Send(piece);
            std::this_thread::sleep_for(pause);
        }
    }
    // True when the client closed its end within `limit`.
    bool WaitForClose(std::chrono::milliseconds limit) {
        if (closed_) return true;
        pollfd readable{fd_, POLLIN, 0};
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::poll(&readable, 1, 50) > 0) {
                char buffer[256];
                if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) return closed_ = true;
            }
        }
        return false;
    }

  private:
    int fd_;
    std::string pending_;
    bool closed_ = false;
};

class ScriptedPushServer {
  public:
    explicit ScriptedPushServer(std::function<void(PushPeer&)> script)
        : script_(std::move(script)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 8);
        socklen_t size = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] {
            while (!stopping_) {
                pollfd waiting{listener_, POLLIN, 0};
                if (::poll(&waiting, 1, 50) <= 0) continue;
                int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0) continue;
                ++connections_;
                std::lock_guard lock(mutex_);
                peers_.emplace_back([this, fd] {
                    PushPeer peer(fd);
                    script_(peer);
                    ::close(fd);
                });
            }
        });
    }
    ~ScriptedPushServer() { Finish(); }
    // Stops accepting and waits until every script has ended: what the scripts recorded may be
    // read after this.
    void Finish() {
        stopping_ = true;
        if (acceptor_.joinable()) acceptor_.join();
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
        for (auto& peer : peers_)
            if (peer.joinable()) peer.join();
    }
    int Port() const { return port_; }
    int Connections() const { return connections_; }

  private:
    std::function<void(PushPeer&)> script_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> peers_;
};

}  // namespace lumeno::test

#include "tests/support/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace lumeno::test {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// True once the request's headers and its announced body have arrived.
bool Complete(const std::string& request) {
    auto end = request.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    std::string length = RequestHeader(request, "Content-Length");
    std::size_t body = length.empty() ? 0 : std::strtoul(length.c_str(), nullptr, 10);
    return request.size() >= end + 4 + body;
}

}  // namespace

std::string HttpAnswer(int status, const std::string& body, const std::string& contentType) {
    return "HTTP/1.0 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
           "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}

std::string RequestBody(const std::string& request) {
    auto end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

std::string RequestHeader(const std::string& request, const std::string& name) {
    std::string head = request.substr(0, request.find("\r\n\r\n"));
    std::string wanted = "\r\n" + Lower(name) + ":";
    auto at = Lower(head).find(wanted);
    if (at == std::string::npos) return {};
    auto start = head.find_first_not_of(' ', at + wanted.size());
    auto stop = head.find("\r\n", start);
    return head.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
}

RawHttpServer::RawHttpServer(std::function<ScriptedAnswer(const std::string&)> answer)
    : answer_(std::move(answer)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 64);
    socklen_t size = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
    for (auto& worker : workers_)
        worker.join();
}

void RawHttpServer::AcceptLoop() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

void RawHttpServer::Serve(int fd) {
    std::string request;
    char buffer[65536];
    while (!Complete(request)) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 10000) <= 0) break;
        ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    ScriptedAnswer answer = answer_(request);
    std::this_thread::sleep_for(answer.delayBeforeSend);
    std::string bytes = answer.bytes.substr(0, answer.sendOnlyFirst);
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::this_thread::sleep_for(answer.holdOpen);
    ::close(fd);
}

std::vector<std::string> RawHttpServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t RawHttpServer::RequestCount() {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

}  // namespace lumeno::test

#pragma once
// A loopback TCP server that records the exact bytes of each HTTP request and answers with
// scripted bytes, for checking what the client sends and how it copes with odd answers.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumeno::test {

struct ScriptedAnswer {
    std::string bytes;                              // status line, headers and body as sent
    std::chrono::milliseconds delayBeforeSend{0};   // silence before answering
    std::size_t sendOnlyFirst = std::string::npos;  // then hold the connection open
    std::chrono::milliseconds holdOpen{0};
};

// A complete answer with the given status and body.
std::string HttpAnswer(int status, const std::string& body,
                       const std::string& contentType = "application/json");

class RawHttpServer {
  public:
    // `answer` is called with each complete request and returns what to send back.
    explicit RawHttpServer(std::function<ScriptedAnswer(const std::string& request)> answer);
    ~RawHttpServer();

    int Port() const { return port_; }
    std::vector<std::string> Requests();
    std::size_t RequestCount();

  private:
    void AcceptLoop();
    void Serve(int fd);

    std::function<ScriptedAnswer(const std::string&)> answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> workers_;
};

// The request's body (after the blank line).
std::string RequestBody(const std::string& request);
// The value of one header, empty when absent.
std::string RequestHeader(const std::string& request, const std::string& name);

}  // namespace lumeno::test

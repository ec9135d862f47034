#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

#include "server/api/routes.h"
#include "server/api/service.h"

namespace lumeno::server {

// One listener of the API: plain HTTP, or HTTPS when given an SSL server.
class ApiServer {
  public:
    ApiServer(Service& service, std::unique_ptr<httplib::Server> http, std::string scheme);
    ~ApiServer();
    ApiServer(const ApiServer&) = delete;
    ApiServer& operator=(const ApiServer&) = delete;

    // Binds to the loopback address; port 0 picks a free one. Returns the port, or throws.
    int Bind(const std::string& host, int port);
    void Start();
    void Stop();
    int port() const { return port_; }

  private:
    Service& service_;
    std::unique_ptr<httplib::Server> http_;
    Routes routes_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace lumeno::server

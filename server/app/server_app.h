#pragma once

#include <memory>
#include <string>

#include "server/api/api_server.h"
#include "server/api/service.h"
#include "server/app/options.h"
#include "server/faults/fault_plan.h"
#include "server/push/push_server.h"
#include "server/store/store.h"

namespace lumeno::server {

// The whole local service: state, API listener(s) and push server. Used by main and by tests
// that run the service inside their own process.
class ServerApp {
  public:
    explicit ServerApp(Options options);
    ~ServerApp();
    ServerApp(const ServerApp&) = delete;
    ServerApp& operator=(const ServerApp&) = delete;

    // Opens the data file, seeds it, binds every listener and starts serving. Throws with a
    // message when any of it fails.
    void Start();
    void Stop();

    int api_port() const { return api_ ? api_->port() : 0; }
    int push_port() const { return push_ ? push_->port() : 0; }
    int tls_port() const { return tls_ ? tls_->port() : 0; }
    const std::string& ca_path() const { return ca_path_; }
    const Options& options() const { return options_; }
    Store& store() { return *store_; }
    Service& service() { return *service_; }

    // "api=127.0.0.1:PORT" and the like, one per line, ending with "ready".
    std::string ListeningLines() const;

  private:
    void PrepareData();

    Options options_;
    std::unique_ptr<Store> store_;
    FaultPlan faults_;
    std::unique_ptr<Service> service_;
    std::unique_ptr<PushServer> push_;
    std::unique_ptr<ApiServer> api_;
    std::unique_ptr<ApiServer> tls_;
    std::string ca_path_;
};

}  // namespace lumeno::server

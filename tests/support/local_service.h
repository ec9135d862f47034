#pragma once
// The project's local service (lumeno-server) started for one test: its own state, ports picked
// by the system, and a control endpoint for faults and for acting as other users.

#include <string>
#include <vector>

namespace lumeno::test {

class LocalService {
  public:
    struct Options {
        std::string seed = "demo";       // none, demo or bulk
        bool tls = false;                // also listen for HTTPS
        std::string tlsCert = "good";    // good, wrong-host, expired or untrusted
        std::vector<std::string> extra;  // more command-line options
    };

    LocalService();
    explicit LocalService(Options options);
    LocalService(const LocalService&) = delete;
    LocalService& operator=(const LocalService&) = delete;
    ~LocalService();

    int ApiPort() const { return apiPort_; }
    int PushPort() const { return pushPort_; }
    int TlsPort() const { return tlsPort_; }
    const std::string& CaFile() const { return caFile_; }
    std::string ApiAddress() const { return "127.0.0.1:" + std::to_string(apiPort_); }
    std::string PushAddress() const { return "127.0.0.1:" + std::to_string(pushPort_); }
    std::string BaseUrl() const { return "http://" + ApiAddress(); }

    // GET on the service (for example "/admin/revoke?qxid=..."); the answer's body.
    std::string Get(const std::string& pathAndQuery) const;
    // Points the client's Config.ini (in the current data directory) at this service, trusting its
    // test authority when it speaks HTTPS.
    void PointClientHere() const;
    // The service stops answering (its process is stopped, its connections stay open), and
    // carries on where it was.
    void Pause() const;
    void Resume() const;
    // The service ends: its ports refuse connections from now on.
    void Stop();

  private:
    int pid_ = -1;
    int apiPort_ = 0;
    int pushPort_ = 0;
    int tlsPort_ = 0;
    std::string caFile_;
    std::string folder_;
};

}  // namespace lumeno::test

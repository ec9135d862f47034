#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace lumeno::server {

// What a reliability test asks the service to do wrong.
enum class HttpFaultKind {
    kDelay,        // answer normally, but only after delay_ms
    kServerError,  // HTTP 500 with an HTML page
    kMalformed,    // HTTP 200 with text that is not JSON
    kTruncated,    // the real answer cut in the middle
    kEmpty,        // HTTP 200 with an empty body
    kBusy,         // HTTP 200 with the service's own refusal for a fault of its own (code 50000)
    kRepeat,       // the answer this user got last on this path, again (a replayed answer)
};

std::optional<HttpFaultKind> HttpFaultKindFromName(const std::string& name);
const char* HttpFaultKindName(HttpFaultKind kind);

struct HttpFault {
    int id = 0;
    HttpFaultKind kind = HttpFaultKind::kDelay;
    std::string path;    // applies to request paths starting with this; empty: every /lumeno path
    std::string qxid;    // applies only to this user's requests ("u"); empty: everyone
    int remaining = -1;  // uses left; -1 until cleared
    int delay_ms = 0;
    int skip = 0;  // matching requests let through before the fault applies
};

enum class PushMode {
    kNormal,
    kSilent,  // read everything, answer nothing
    kRefuse,  // no listening socket: connections are refused
    kReject,  // accept, then close at once
};

std::optional<PushMode> PushModeFromName(const std::string& name);
const char* PushModeName(PushMode mode);

class FaultPlan {
  public:
    int Add(HttpFault fault);
    void ClearHttp();
    std::vector<HttpFault> List() const;

    struct Applied {
        int delay_ms = 0;
        std::optional<HttpFaultKind> body;
    };
    // Uses up one application of every fault that matches the request.
    Applied Take(const std::string& path, const std::string& qxid);

  private:
    mutable std::mutex mutex_;
    std::vector<HttpFault> faults_;
    int next_id_ = 1;
};

}  // namespace lumeno::server

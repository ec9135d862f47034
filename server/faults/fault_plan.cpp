#include "server/faults/fault_plan.h"

#include <algorithm>

namespace lumeno::server {
namespace {

struct KindName {
    HttpFaultKind kind;
    const char* name;
};
const KindName kKinds[] = {
    {HttpFaultKind::kDelay, "delay"},         {HttpFaultKind::kServerError, "http500"},
    {HttpFaultKind::kMalformed, "malformed"}, {HttpFaultKind::kTruncated, "truncated"},
    {HttpFaultKind::kEmpty, "empty"},         {HttpFaultKind::kBusy, "busy"},
    {HttpFaultKind::kRepeat, "repeat"}};

struct ModeName {
    PushMode mode;
    const char* name;
};
const ModeName kModes[] = {{PushMode::kNormal, "normal"},
                           {PushMode::kSilent, "silent"},
                           {PushMode::kRefuse, "refuse"},
                           {PushMode::kReject, "reject"}};

}  // namespace

std::optional<HttpFaultKind> HttpFaultKindFromName(const std::string& name) {
    for (const KindName& k : kKinds)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

const char* HttpFaultKindName(HttpFaultKind kind) {
    for (const KindName& k : kKinds)
        if (k.kind == kind) return k.name;
    return "?";
}

std::optional<PushMode> PushModeFromName(const std::string& name) {
    for (const ModeName& m : kModes)
        if (name == m.name) return m.mode;
    return std::nullopt;
}

const char* PushModeName(PushMode mode) {
    for (const ModeName& m : kModes)
        if (m.mode == mode) return m.name;
    return "?";
}

int FaultPlan::Add(HttpFault fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    fault.id = next_id_++;
    faults_.push_back(fault);
    return fault.id;
}

void FaultPlan::ClearHttp() {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.clear();
}

std::vector<HttpFault> FaultPlan::List() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return faults_;
}

FaultPlan::Applied FaultPlan::Take(const std::string& path, const std::string& qxid) {
    Applied applied;
    std::lock_guard<std::mutex> lock(mutex_);
    for (HttpFault& f : faults_) {
        if (f.remaining == 0) continue;
        bool path_matches =
            f.path.empty() ? path.rfind("/lumeno/", 0) == 0 : path.rfind(f.path, 0) == 0;
        if (!path_matches || (!f.qxid.empty() && f.qxid != qxid)) continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        if (f.kind == HttpFaultKind::kDelay)
            applied.delay_ms += f.delay_ms;
        else if (!applied.body)
            applied.body = f.kind;
        else
            continue;  // one broken body per answer; later faults wait for later requests
        if (f.remaining > 0) --f.remaining;
    }
    faults_.erase(std::remove_if(faults_.begin(), faults_.end(),
                                 [](const HttpFault& f) { return f.remaining == 0; }),
                  faults_.end());
    return applied;
}

}  // namespace lumeno::server

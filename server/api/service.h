#pragma once

#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "server/faults/fault_plan.h"
#include "server/store/store.h"
#include "server/store/user_repo.h"

namespace lumeno::server {

// What check_version offers.
struct UpdateOffer {
    std::string version = "1.0.0.0";
    int force = 0;
    std::string desc = "修复了若干问题，提升了稳定性。";
    // For the client's tests: an announced MD5 that does not match, a download that breaks off
    // half-way, filler bytes after the Linux installer's script and a pause between its chunks.
    bool wrong_md5 = false;
    bool cut = false;
    int pad = 0;
    int chunk_ms = 0;
    // The installer's address offered instead of the service's own (empty: its own).
    std::string url;
};

// A crash report as the crash reporter uploaded it.
struct CrashUpload {
    std::string name;
    std::string version;
    std::string report;
};

struct ServiceConfig {
    // A first synchronisation (no message mark yet) brings the messages of this many days;
    // older ones come as history when a conversation is opened.
    int first_sync_days = 30;
    // Largest page a synchronisation or history request may ask for.
    int max_page = 500;
};

// The push server's controls that the admin endpoint uses.
class PushControl {
  public:
    virtual ~PushControl() = default;
    virtual void SetMode(PushMode mode) = 0;
    virtual PushMode Mode() const = 0;
    // Closes the push connections of one user (0: of everyone); returns how many.
    virtual int CloseSessions(std::int64_t user) = 0;
    virtual int SessionCount(std::int64_t user) const = 0;
};

// Everything the request handlers share.
class Service {
  public:
    Service(Store& store, FaultPlan& faults, ServiceConfig config)
        : store_(store), faults_(faults), config_(config) {}

    Store& store() { return store_; }
    FaultPlan& faults() { return faults_; }
    const ServiceConfig& config() const { return config_; }

    UpdateOffer update() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return update_;
    }
    void set_update(const UpdateOffer& offer) {
        std::lock_guard<std::mutex> lock(mutex_);
        update_ = offer;
    }

    void add_crash_report(CrashUpload upload) {
        std::lock_guard<std::mutex> lock(mutex_);
        crash_reports_.push_back(std::move(upload));
    }
    std::vector<CrashUpload> crash_reports() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return crash_reports_;
    }

    // How many times the Linux installer was served.
    int installer_downloads() const { return installer_downloads_.load(); }
    void count_installer_download() { ++installer_downloads_; }

    PushControl* push() const { return push_; }
    void set_push(PushControl* push) { push_ = push; }

  private:
    Store& store_;
    FaultPlan& faults_;
    ServiceConfig config_;
    mutable std::mutex mutex_;
    UpdateOffer update_;
    std::atomic<int> installer_downloads_{0};
    std::vector<CrashUpload> crash_reports_;
    PushControl* push_ = nullptr;
};

// One request as the handlers see it.
struct Call {
    const httplib::Request& req;
    Service& service;
    std::string base_url;  // "http://127.0.0.1:port" of the listener that took the request
    bool dry_run = false;  // the answer will be thrown away: change no per-user marks
};

// The signed-in user of a request ("u" and "access_token"), or error 20001 / 20002.
UserRow Authenticate(Database& db, const httplib::Request& req);

}  // namespace lumeno::server

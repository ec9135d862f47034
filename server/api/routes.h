#pragma once

#include <httplib.h>
#include <json/json.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "server/api/service.h"

namespace lumeno::server {

using JsonHandler = std::function<Json::Value(Call&)>;

// Registers service operations on one listener. Every answer is JSON: refusals become the
// error envelope, unexpected failures error 50000, and the fault plan may delay or spoil it.
class Routes {
  public:
    Routes(httplib::Server& http, Service& service, std::string scheme);

    void Get(const std::string& path, JsonHandler handler);
    void Post(const std::string& path, JsonHandler handler);
    void GetOrPost(const std::string& path, JsonHandler handler);
    // GET or POST with the JSON envelope but never touched by the fault plan.
    void Control(const std::string& path, JsonHandler handler);
    // Plain handlers (files, pages, the admin endpoint) go straight to the listener.
    httplib::Server& http() { return http_; }
    Service& service() { return service_; }
    std::string BaseUrl(const httplib::Request& req) const;

  private:
    void Answer(const JsonHandler& handler, const httplib::Request& req, httplib::Response& res,
                bool faults);

    httplib::Server& http_;
    Service& service_;
    std::string scheme_;
    // The last answer of each path to each user, for the fault that replays it.
    std::mutex answersMutex_;
    std::map<std::string, std::string> lastAnswers_;
};

// Where the update installers are stored and downloaded from: the one the Windows query is
// offered, and the Linux one (a script that leaves a mark in $LUMENO_INSTALLER_MARKER).
extern const char* const kInstallerKey;
extern const char* const kLinuxInstallerKey;

// One file per area of the catalogue.
void RegisterAccountRoutes(Routes& routes);
void RegisterMessageRoutes(Routes& routes);
void RegisterGroupRoutes(Routes& routes);
void RegisterContactRoutes(Routes& routes);
void RegisterTaskRoutes(Routes& routes);
void RegisterDownloadRoutes(Routes& routes);
void RegisterAdminRoutes(Routes& routes);
void RegisterVoiceAdminRoutes(Routes& routes);
void RegisterCrashRoutes(Routes& routes);

}  // namespace lumeno::server

#pragma once
// Sending a crash report to the service's crash address: the API host of Config.ini (its "main"
// "online" 0 with "msg", as for every service request), path kCrashUploadPath, the report's text
// and its file name as the fields of a multipart POST.

#include <string>

#include "net/server_settings.h"

namespace lumeno::crash {

inline constexpr char kCrashUploadPath[] = "/lumeno/crash/upload";

enum class UploadResult {
    kSent,      // the service took it
    kNoAnswer,  // no answer arrived (no connection, time-out)
    kRefused,   // an answer came, but not that the service took the report
};

// Sends `report` (named `name`) and waits for the service's answer. Blocks: call it on a worker.
UploadResult UploadReport(const std::string& name, const std::string& report,
                          const ServerSettings& settings);

// The same on a thread of its own, while the calling (UI) thread goes on with its events.
UploadResult UploadReportInBackground(const std::string& name, const std::string& report,
                                      const ServerSettings& settings);

}  // namespace lumeno::crash

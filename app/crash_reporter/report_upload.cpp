#include "app/crash_reporter/report_upload.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "api/json_access.h"
#include "net/http_request.h"
#include "platform/ui_thread.h"

namespace lumeno::crash {

UploadResult UploadReport(const std::string& name, const std::string& report,
                          const ServerSettings& settings) {
    const std::string answer =
        HttpPostFields(std::string("https://") + kBuiltInApiHost + kCrashUploadPath,
                       {{"name", name}, {"report", report}}, settings);
    if (answer.empty()) return UploadResult::kNoAnswer;
    // Anything but the service's "ok" (a refusal, an error page) did not take the report.
    Json::Value root;
    const bool taken = ParseJson(answer, root) && root.isObject() && root["result"].isString() &&
                       root["result"].asString() == "ok";
    return taken ? UploadResult::kSent : UploadResult::kRefused;
}

UploadResult UploadReportInBackground(const std::string& name, const std::string& report,
                                      const ServerSettings& settings) {
    std::atomic<bool> done{false};
    UploadResult result = UploadResult::kNoAnswer;
    std::thread worker([&] {
        result = UploadReport(name, report, settings);
        done = true;
    });
    // The request has its own time limits; this wait only keeps the events going meanwhile.
    platform::PumpMessagesUntil([&] { return done.load(); }, std::chrono::hours(1));
    worker.join();
    return result;
}

}  // namespace lumeno::crash

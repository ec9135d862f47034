// Crash reports: the crash reporter uploads the report a user chose to send, and the control
// endpoint lists what arrived (for the tests of the reporter).
#include "server/api/api_error.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"

namespace lumeno::server {
namespace {

constexpr std::size_t kMaxReportBytes = 1024 * 1024;

// Multipart fields: "report" (the text, UTF-8, at most 1 MiB) and "name" (its file name); the
// program's version comes with the common query.
Json::Value UploadCrashReport(Call& call) {
    CrashUpload upload;
    upload.report = RequireText(call.req, "report");
    if (upload.report.size() > kMaxReportBytes)
        throw ApiError(kTooLarge, "错误报告太大", "report_too_large", "at most 1 MiB");
    upload.name = ArgText(call.req, "name").value_or("");
    upload.version = ArgText(call.req, "version").value_or("");
    call.service.add_crash_report(upload);
    return OkEnvelope();
}

Json::Value ListCrashReports(Call& call) {
    Json::Value list(Json::arrayValue);
    for (const CrashUpload& upload : call.service.crash_reports()) {
        Json::Value j(Json::objectValue);
        j["name"] = upload.name;
        j["version"] = upload.version;
        j["report"] = upload.report;
        list.append(j);
    }
    Json::Value out = OkEnvelope();
    out["reports"] = list;
    return out;
}

}  // namespace

void RegisterCrashRoutes(Routes& routes) {
    routes.Post("/lumeno/crash/upload", UploadCrashReport);
    routes.Control("/admin/crash_reports", ListCrashReports);
}

}  // namespace lumeno::server

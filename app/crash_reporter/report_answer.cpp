#include "app/crash_reporter/report_answer.h"

#include <filesystem>

#include "app/crash/crash_names.h"
#include "app/crash_reporter/dlg_crash_report.h"
#include "app/crash_reporter/report_files.h"
#include "app/crash_reporter/report_upload.h"
#include "platform/message_box.h"
#include "ui/prompts/message_box.h"

namespace lumeno::crash {

namespace fs = std::filesystem;

ReporterWindows SkinnedWindows() {
    return {
        [](const QString& report) {
            return CDlgCrashReport(report).DoModal(nullptr) == CDlgCrashReport::kSend;
        },
        [](const std::string& text) { ShowMessageBox(nullptr, text, kReporterCaption, MB_OK); }};
}

ReporterWindows SystemWindows() {
    return {[](const QString&) {
                return platform::MessageBox(nullptr, kReporterQuestion, kReporterCaption,
                                            MB_OKCANCEL) == IDOK;
            },
            [](const std::string& text) {
                platform::MessageBox(nullptr, text, kReporterCaption, MB_OK);
            }};
}

ReportFate AnswerCrashReport(const std::string& fullReport, const std::string& smallReport,
                             const ReporterWindows& windows, const ServerSettings& settings) {
    const std::string dumpFolder = fs::path(fullReport).parent_path().string();
    std::string shown = smallReport.empty() ? std::string() : ReadReport(smallReport);
    std::string shownPath = smallReport;
    if (shown.empty()) {
        shown = ReadReport(fullReport);
        shownPath = fullReport;
    }
    if (shown.empty()) shown = kUnreadableReport;

    if (!windows.ask(QString::fromStdString(shown))) {
        if (!smallReport.empty()) {
            std::error_code ignored;
            fs::remove(smallReport, ignored);
        }
        return ReportFate::kDropped;
    }
    // Kept first, so that nothing depends on the network: the full report is in the dump
    // folder already.
    const bool kept = smallReport.empty() || KeepForSending(smallReport, dumpFolder);
    const std::string name = fs::path(shownPath).filename().string();
    const UploadResult result = UploadReportInBackground(name, shown, settings);

    const std::string place = kept ? dumpFolder : fs::path(smallReport).parent_path().string();
    if (result == UploadResult::kSent) {
        windows.tell(kept ? std::string(kReportSentText)
                          : std::string(kReportSentText) + "\n报告无法保存到 " + dumpFolder +
                                "，仍在 " + place + "。");
        return ReportFate::kSent;
    }
    const std::string reason =
        result == UploadResult::kNoAnswer ? kNoConnectionReason : kRefusedReason;
    windows.tell(std::string(kReportNotSentText) + "（" + reason + "）。\n" +
                 (kept ? "报告已保存在 " + dumpFolder + "。"
                       : "报告无法保存到 " + dumpFolder + "，仍在 " + place + "。"));
    return kept ? ReportFate::kKeptNotSent : ReportFate::kNotSent;
}

}  // namespace lumeno::crash

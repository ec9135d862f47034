#pragma once
// What the crash reporter does with the user's answer: "不发送" drops the small report; "发送"
// keeps it in the dump folder, sends the report that was shown to the service, and tells the user
// whether it went (and where the report is kept either way).

#include <QString>
#include <functional>
#include <string>

#include "net/server_settings.h"

namespace lumeno::crash {

// Where the reporter meets the user: the question over the report (true for "发送"), and a
// notice.
struct ReporterWindows {
    std::function<bool(const QString& report)> ask;
    std::function<void(const std::string& text)> tell;
};
// The skinned windows (the skin and the components ready), and the system's boxes.
ReporterWindows SkinnedWindows();
ReporterWindows SystemWindows();

inline constexpr char kReportSentText[] = "错误报告已发送，谢谢您的帮助。";
inline constexpr char kReportNotSentText[] = "错误报告没有发送成功";
inline constexpr char kNoConnectionReason[] = "无法连接到服务器";
inline constexpr char kRefusedReason[] = "服务器没有接收";
inline constexpr char kUnreadableReport[] = "（报告无法读取）";

enum class ReportFate {
    kDropped,      // the user chose not to send it
    kSent,         // sent (and kept, unless keeping failed, which the user was told)
    kKeptNotSent,  // not sent; kept in the dump folder
    kNotSent,      // neither sent nor moved into the dump folder: it stays where it was
};

// Asks about the report (the small one, else the full one), then acts on the answer as above.
// `fullReport` is the full report's path (its folder is the dump folder); `smallReport` may be
// empty. UI thread.
ReportFate AnswerCrashReport(const std::string& fullReport, const std::string& smallReport,
                             const ReporterWindows& windows, const ServerSettings& settings);

}  // namespace lumeno::crash

// The crash reporter, started by a crashed client with the full report's path and the small
// report's path. It turns the reports' addresses into function names, then asks the user whether
// to send the report: "发送" keeps the small report in the dump folder for sending, "不发送" drops
// it. The full report stays in the dump folder either way (the next crash overwrites it).

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/component_tables.h"
#include "app/crash/crash_names.h"
#include "app/crash_reporter/dlg_crash_report.h"
#include "app/crash_reporter/report_files.h"
#include "app/crash_reporter/symbolizer.h"
#include "platform/directories.h"
#include "platform/message_box.h"
#include "platform/message_loop.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/wnd_shadow.h"
#include "util/component_registry.h"

namespace crash = lumeno::crash;

namespace {

// The question in the skinned window; in the system's box when the skin is missing.
bool AskToSend(const QString& report) {
    if (!std::filesystem::is_directory(platform::ProgramSkinDirectory())) {
        return platform::MessageBox(nullptr, crash::kReporterQuestion, crash::kReporterCaption,
                                    MB_OKCANCEL) == IDOK;
    }
    RegisterProgramComponentTables();
    GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
    InitializeSkinFonts();
    InitializeSkinImages();
    CWndShadow::Initialize();
    platform::CMessageLoop loop;
    platform::AddMessageLoop(&loop);
    CDlgCrashReport dialog(report);
    const bool send = dialog.DoModal(nullptr) == CDlgCrashReport::kSend;
    platform::RemoveMessageLoop();
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
    return send;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return EXIT_FAILURE;
    const std::string fullReport = argv[1];
    const std::string smallReport = argc > 2 ? argv[2] : std::string();
    const std::string dumpFolder = std::filesystem::path(fullReport).parent_path().string();

    crash::SymbolizeReportFile(fullReport);
    if (!smallReport.empty()) crash::SymbolizeReportFile(smallReport);

    const char* mode = std::getenv(crash::kReporterModeVariable);
    if (mode && std::string_view(mode) == "record")
        return crash::RecordStart(dumpFolder, argc, argv) ? EXIT_SUCCESS : EXIT_FAILURE;

    QApplication application(argc, argv);
    std::string report = smallReport.empty() ? std::string() : crash::ReadReport(smallReport);
    if (report.empty()) report = crash::ReadReport(fullReport);
    if (report.empty()) report = "（报告无法读取）";
    if (AskToSend(QString::fromStdString(report))) {
        if (!smallReport.empty() && !crash::KeepForSending(smallReport, dumpFolder)) {
            platform::MessageBox(nullptr, "错误报告无法保存到 " + dumpFolder,
                                 crash::kReporterCaption, MB_OK);
        }
    } else if (!smallReport.empty()) {
        std::error_code ignored;
        std::filesystem::remove(smallReport, ignored);
    }
    return EXIT_SUCCESS;
}

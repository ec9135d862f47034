// The crash reporter, started by a crashed client with the full report's path and the small
// report's path. It turns the reports' addresses into function names, then asks the user whether
// to send the report: "发送" keeps the small report in the dump folder and sends it to the
// service's crash address, then says whether it went; "不发送" drops it. The full report stays in
// the dump folder either way (the next crash overwrites it).

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/component_tables.h"
#include "app/crash/crash_names.h"
#include "app/crash_reporter/report_answer.h"
#include "app/crash_reporter/report_files.h"
#include "app/crash_reporter/symbolizer.h"
#include "net/server_settings.h"
#include "net/w3_client.h"
#include "platform/directories.h"
#include "platform/message_loop.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/wnd_shadow.h"
#include "util/component_registry.h"

namespace crash = lumeno::crash;

namespace {

// The user waits for the answer with nothing else on the screen, so the wait is short; the
// service takes reports of up to 1 MiB.
constexpr RequestLimits kUploadLimits{5, 20, 1024 * 1024};

// Asks and answers in the skinned windows; in the system's boxes when the skin is missing.
void Answer(const std::string& fullReport, const std::string& smallReport) {
    const ServerSettings settings = ServerSettings::Load();
    if (!std::filesystem::is_directory(platform::ProgramSkinDirectory())) {
        crash::AnswerCrashReport(fullReport, smallReport, crash::SystemWindows(), settings);
        return;
    }
    RegisterProgramComponentTables();
    GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));
    InitializeSkinFonts();
    InitializeSkinImages();
    CWndShadow::Initialize();
    platform::CMessageLoop loop;
    platform::AddMessageLoop(&loop);
    crash::AnswerCrashReport(fullReport, smallReport, crash::SkinnedWindows(), settings);
    platform::RemoveMessageLoop();
    GetComponent(kTerminateRegistry, static_cast<IKesPlugin**>(nullptr));
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
    SetDefaultRequestLimits(kUploadLimits);
    Answer(fullReport, smallReport);
    return EXIT_SUCCESS;
}

#include "app/crash_reporter/report_files.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/crash/crash_names.h"

namespace lumeno::crash {

namespace fs = std::filesystem;

std::string ReadReport(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool KeepForSending(const std::string& smallReport, const std::string& dumpFolder) {
    std::error_code error;
    const fs::path target = fs::path(dumpFolder) / fs::path(smallReport).filename();
    if (fs::path(smallReport).parent_path() == target.parent_path()) return fs::exists(target);
    fs::create_directories(dumpFolder, error);
    fs::rename(smallReport, target, error);
    if (!error) return true;
    // Another file system: copy, then remove the original.
    fs::copy_file(smallReport, target, fs::copy_options::overwrite_existing, error);
    if (error) return false;
    fs::remove(smallReport, error);
    return true;
}

bool RecordStart(const std::string& dumpFolder, int argc, char** argv) {
    std::ofstream out(fs::path(dumpFolder) / kReporterStartedName, std::ios::trunc);
    for (int i = 0; i < argc; ++i)
        out << argv[i] << '\n';
    return static_cast<bool>(out.flush());
}

}  // namespace lumeno::crash

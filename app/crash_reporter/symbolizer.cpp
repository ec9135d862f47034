#include "app/crash_reporter/symbolizer.h"

#include <cxxabi.h>
#include <elfutils/libdwfl.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "app/crash/crash_names.h"

namespace lumeno::crash {
namespace {

struct DwflDeleter {
    void operator()(Dwfl* dwfl) const { dwfl_end(dwfl); }
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Where each file was loaded: the start of its mapping at file offset 0, from the module table
// ("start-end perms offset dev inode path").
std::map<std::string, std::uint64_t> LoadAddresses(const std::vector<std::string>& lines) {
    std::map<std::string, std::uint64_t> bases;
    bool inTable = false;
    for (const std::string& line : lines) {
        if (line == kModulesHeading) {
            inTable = true;
            continue;
        }
        if (!inTable) continue;
        if (line.empty()) break;
        unsigned long long start = 0, end = 0, offset = 0;
        char perms[8] = {};
        int pathAt = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx %7s %llx %*s %*s %n", &start, &end, perms, &offset,
                        &pathAt) < 4 ||
            pathAt <= 0 || static_cast<std::size_t>(pathAt) >= line.size() ||
            line[static_cast<std::size_t>(pathAt)] != '/') {
            continue;
        }
        if (offset != 0) continue;
        const std::string path = line.substr(static_cast<std::size_t>(pathAt));
        const auto found = bases.find(path);
        if (found == bases.end() || start < found->second) bases[path] = start;
    }
    return bases;
}

std::string Demangled(const char* name) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), &std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(name);
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "function+0x12 at file.cpp:34 (module)" for `address`, or empty when no module holds it.
std::string Describe(Dwfl* dwfl, std::uint64_t address) {
    Dwfl_Module* module = dwfl_addrmodule(dwfl, address);
    if (!module) return {};
    const char* moduleName =
        dwfl_module_info(module, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    std::string text;
    GElf_Off offset = 0;
    GElf_Sym symbol{};
    if (const char* name =
            dwfl_module_addrinfo(module, address, &offset, &symbol, nullptr, nullptr, nullptr)) {
        char plus[32];
        std::snprintf(plus, sizeof plus, "+0x%" PRIx64, static_cast<std::uint64_t>(offset));
        text = Demangled(name) + plus;
    } else {
        text = "?";
    }
    if (Dwfl_Line* line = dwfl_module_getsrc(module, address)) {
        int lineNumber = 0;
        if (const char* file =
                dwfl_lineinfo(line, nullptr, &lineNumber, nullptr, nullptr, nullptr)) {
            text += " at " + BaseName(file) + ":" + std::to_string(lineNumber);
        }
    }
    if (moduleName) text += " (" + BaseName(moduleName) + ")";
    return text;
}

}  // namespace

std::string SymbolizeReport(const std::string& report) {
    const std::vector<std::string> lines = SplitLines(report);
    const auto bases = LoadAddresses(lines);
    if (bases.empty()) return report;

    static char* debugInfoPath = nullptr;
    static const Dwfl_Callbacks callbacks = {dwfl_build_id_find_elf, dwfl_standard_find_debuginfo,
                                             dwfl_offline_section_address, &debugInfoPath};
    std::unique_ptr<Dwfl, DwflDeleter> dwfl(dwfl_begin(&callbacks));
    if (!dwfl) return report;
    dwfl_report_begin(dwfl.get());
    for (const auto& [path, base] : bases) {
        // A file that is gone or unreadable leaves its frames as bare addresses.
        dwfl_report_elf(dwfl.get(), BaseName(path).c_str(), path.c_str(), -1, base, false);
    }
    dwfl_report_end(dwfl.get(), nullptr, nullptr);

    std::string out;
    out.reserve(report.size() * 2);
    const std::size_t prefixLength = std::strlen(kFramePrefix);
    for (const std::string& line : lines) {
        out += line;
        unsigned frame = 0;
        unsigned long long address = 0;
        int used = 0;
        if (line.compare(0, prefixLength, kFramePrefix) == 0 &&
            std::sscanf(line.c_str() + prefixLength, "%u 0x%llx%n", &frame, &address, &used) == 2 &&
            prefixLength + static_cast<std::size_t>(used) == line.size()) {
            // A return address points after its call; the call's own line is one byte back. The
            // first frame of a thread is where it stood, not a return address.
            const std::string described = Describe(dwfl.get(), frame == 0 ? address : address - 1);
            if (!described.empty()) out += " " + described;
        }
        out += '\n';
    }
    return out;
}

bool SymbolizeReportFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    const std::string symbolized = SymbolizeReport(text.str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << symbolized;
    return static_cast<bool>(out.flush());
}

}  // namespace lumeno::crash

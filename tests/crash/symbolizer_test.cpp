// The reporter's symboliser on reports it did not write itself: this process's own module table
// and a frame inside a known function, and damaged reports, which must come back unharmed.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "app/crash/crash_names.h"
#include "app/crash_reporter/symbolizer.h"

namespace lumeno::crash {
namespace {

[[gnu::noinline]] int KnownFunctionForTheSymbolizer(int x) {
    return x * 3 + 1;
}

std::string OwnModuleTable() {
    std::ifstream maps("/proc/self/maps");
    std::string table = std::string(kModulesHeading) + "\n";
    for (std::string line; std::getline(maps, line);)
        table += line + "\n";
    return table;
}

std::string FrameLine(int index, std::uintptr_t address) {
    std::ostringstream line;
    line << kFramePrefix << index << " 0x" << std::hex << address;
    return line.str();
}

TEST(SymbolizerTest, NamesAFrameOfThisProcessAndLeavesOtherLinesAlone) {
    const auto inside = reinterpret_cast<std::uintptr_t>(&KnownFunctionForTheSymbolizer) + 1;
    const std::string report = "thread 1 (crashed):\n" + FrameLine(0, inside) + "\n" +
                               FrameLine(1, 0x10) + "\n" + "  #2 not an address\n\n" +
                               OwnModuleTable();
    const std::string named = SymbolizeReport(report);
    std::istringstream lines(named);
    std::string first, second, third, fourth;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    std::getline(lines, fourth);
    EXPECT_EQ(first, "thread 1 (crashed):");
    EXPECT_NE(second.find("KnownFunctionForTheSymbolizer(int)+0x1"), std::string::npos) << second;
    EXPECT_NE(second.find("(crash_reporter_window_tests)"), std::string::npos) << second;
    EXPECT_EQ(third, FrameLine(1, 0x10)) << "an address outside every module stays bare";
    EXPECT_EQ(fourth, "  #2 not an address");
    // Symbolising twice changes nothing more.
    EXPECT_EQ(SymbolizeReport(named), named);
    EXPECT_EQ(KnownFunctionForTheSymbolizer(1), 4);
}

TEST(SymbolizerTest, DamagedReportsComeBackWithoutHarm) {
    // No module table: nothing to look up.
    const std::string bare = FrameLine(0, 0x401000) + "\n";
    EXPECT_EQ(SymbolizeReport(bare), bare);
    // A table of files that are gone, are no programs, or are no lines at all.
    const std::string damaged =
        FrameLine(0, 0x7f0000001000) + "\n" + FrameLine(1, 0xffffffff) + "\n\n" + kModulesHeading +
        "\n7f0000000000-7f0000100000 r-xp 00000000 00:00 0 /nonexistent/lib.so\n"
        "7f0000100000-7f0000200000 r--p 00000000 00:00 0 /etc/hostname\n"
        "zz-yy r-xp 00000000 00:00 0 /bin/sh\n"
        "1-2 r-xp\n";
    const std::string out = SymbolizeReport(damaged);
    EXPECT_EQ(out.substr(0, out.find('\n')), FrameLine(0, 0x7f0000001000));
    // Random bytes with a module table tacked on.
    std::mt19937 random(17);
    std::string noise(4096, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const std::string noisy = noise + "\n" + kModulesHeading + "\n" + noise;
    EXPECT_FALSE(SymbolizeReport(noisy).empty());
}

}  // namespace
}  // namespace lumeno::crash

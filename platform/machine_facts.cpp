#include "platform/machine_facts.h"

#include <sys/stat.h>
#include <sys/utsname.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/private_files.h"

namespace platform {
namespace {

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::string CpuModelName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            auto colon = line.find(':');
            if (colon == std::string::npos) return {};
            auto start = line.find_first_not_of(" \t", colon + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return {};
}

std::string RootFileSystemUuid() {
    struct stat root {};
    if (::stat("/", &root) != 0) return {};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/disk/by-uuid", error)) {
        struct stat device {};
        if (::stat(entry.path().c_str(), &device) == 0 && S_ISBLK(device.st_mode) &&
            device.st_rdev == root.st_dev) {
            return entry.path().filename().string();
        }
    }
    return {};
}

}  // namespace

std::vector<std::string> MachineFacts() {
    std::vector<std::string> facts;
    auto add = [&facts](std::string fact) {
        if (!fact.empty()) facts.push_back(std::move(fact));
    };
    add(FirstLine(ReadWholeFile("/etc/machine-id", 4096).value_or("")));
    add(FirstLine(ReadWholeFile("/sys/class/dmi/id/product_uuid", 4096).value_or("")));
    add(CpuModelName());
    add(RootFileSystemUuid());
    return facts;
}

std::string OperatingSystemVersion() {
    utsname name{};
    if (::uname(&name) != 0) return {};
    return std::string(name.sysname) + " " + name.release;
}

}  // namespace platform

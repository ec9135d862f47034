#include "platform/directories.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/private_files.h"

namespace platform {
namespace {

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/tmp";
}

// The path beside the program if it exists, else the installed one if that exists, else the path
// beside the program.
std::string BesideOrInstalled(const std::string& name, const std::string& installed) {
    std::error_code error;
    const std::string beside = JoinPath(ProgramDirectory(), name);
    if (std::filesystem::exists(beside, error)) return beside;
    const std::filesystem::path path =
        (std::filesystem::path(ProgramDirectory()) / installed).lexically_normal();
    if (std::filesystem::exists(path, error)) return path.string();
    return beside;
}

std::string FromEnvironment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    // XDG variables must hold absolute paths; anything else is ignored.
    return value && value[0] == '/' ? std::string(value) : fallback;
}

}  // namespace

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

const std::string& ProgramDirectory() {
    static const std::string directory = [] {
        std::error_code error;
        auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::string(".") : exe.parent_path().string();
    }();
    return directory;
}

const std::string& ProgramSkinDirectory() {
    static const std::string directory = BesideOrInstalled("skin", LUMENO_INSTALLED_SKIN);
    return directory;
}

std::string HelperProgramPath(const std::string& name) {
    return BesideOrInstalled(name, JoinPath(LUMENO_INSTALLED_HELPERS, name));
}

const std::string& DataDirectory() {
    static const std::string directory = [] {
        std::string base =
            FromEnvironment("XDG_DATA_HOME", JoinPath(HomeDirectory(), ".local/share"));
        std::string path = JoinPath(base, "Lumeno");
        MakePrivateDirectory(path);
        return path;
    }();
    return directory;
}

const std::string& RuntimeDirectory() {
    static const std::string directory = [] {
        std::string fallback = "/tmp/lumeno-runtime-" + std::to_string(getuid());
        std::string path = FromEnvironment("XDG_RUNTIME_DIR", fallback);
        MakePrivateDirectory(path);
        return path;
    }();
    return directory;
}

}  // namespace platform

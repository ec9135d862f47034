#include "platform/directories.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

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

// The folder for temporary files: $TMPDIR when it names one, else /tmp.
std::string TemporaryBase() {
    return FromEnvironment("TMPDIR", "/tmp");
}

// Among the folders of `base` whose names start with `prefix`, the first by name that is private
// to this user. Nobody else can make a folder that is ours, so whatever is found was made by an
// earlier start of the client.
std::optional<std::string> FindPrivateFolder(const std::string& base, const std::string& prefix) {
    std::optional<std::string> found;
    DIR* folder = ::opendir(base.c_str());
    if (!folder) return found;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string path = JoinPath(base, name);
        if ((!found || path < *found) && IsPrivateFolder(path)) found = path;
    }
    ::closedir(folder);
    return found;
}

// The runtime folder when $XDG_RUNTIME_DIR gives none that is private to the user. The usual
// name, "lumeno-runtime-<uid>" under the temporary folder, is taken only when it is a folder of
// ours with mode 0700: anyone can make that name first in a shared /tmp, as a folder of their own,
// one open to all or a link to elsewhere, to lock the client out or to sit on its channel. The
// client then uses "lumeno-runtime-<uid>-XXXXXX", made by mkdtemp (a random name that nobody
// can take first); later starts find it by the same prefix and the same checks, so that the
// instances still meet there. A start that made one and then finds one before it by name (another
// start made it at the same moment) takes that one and removes its own.
std::string PrivateRuntimeFolder() {
    const std::string base = TemporaryBase();
    const std::string name = "lumeno-runtime-" + std::to_string(::geteuid());
    const std::string usual = JoinPath(base, name);
    // mkdir never follows a link: it fails when anything at all is there.
    if (::mkdir(usual.c_str(), 0700) == 0) ::chmod(usual.c_str(), 0700);
    if (IsPrivateFolder(usual)) return usual;
    const std::string prefix = name + "-";
    if (std::optional<std::string> earlier = FindPrivateFolder(base, prefix)) return *earlier;
    std::string made = JoinPath(base, prefix + "XXXXXX");
    if (!::mkdtemp(made.data()) || ::chmod(made.c_str(), 0700) != 0) return {};
    const std::optional<std::string> first = FindPrivateFolder(base, prefix);
    if (!first) return {};
    if (*first != made) ::rmdir(made.c_str());
    return *first;
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
        // The session's runtime folder, when it is one that only we can write to.
        const std::string session = FromEnvironment("XDG_RUNTIME_DIR", "");
        if (!session.empty()) {
            if (!IsDirectory(session)) MakePrivateDirectory(session);
            if (IsPrivateFolder(session)) return session;
        }
        return PrivateRuntimeFolder();
    }();
    return directory;
}

}  // namespace platform

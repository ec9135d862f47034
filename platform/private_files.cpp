#include "platform/private_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>

namespace platform {
namespace {

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool MakePrivateDirectory(const std::string& path) {
    if (path.empty()) return false;
    if (IsDirectory(path)) return true;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty() && parent != path && !IsDirectory(parent.string())) {
        MakePrivateDirectory(parent.string());
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsDirectory(path);
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
    std::string temporary = path + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());  // mkstemp creates the file with mode 0600
    if (fd < 0) return false;
    bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

bool AppendToPrivateFile(const std::string& path, std::string_view text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text);
    return (::close(fd) == 0) && ok;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ::close(fd);
            if (got < 0) return std::nullopt;
            return content;
        }
        if (content.size() + static_cast<std::size_t>(got) > limit) {
            ::close(fd);
            return std::nullopt;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

std::int64_t FileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool MakeFilePrivate(const std::string& path) {
    return ::chmod(path.c_str(), 0600) == 0;
}

bool MakeFolderPrivate(const std::string& path) {
    return MakePrivateDirectory(path) && ::chmod(path.c_str(), 0700) == 0;
}

bool IsPrivateFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool ok = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) &&
                    info.st_uid == ::geteuid() && (info.st_mode & 07777) == 0700;
    ::close(fd);
    return ok;
}

bool WriteNewPrivateFile(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, content);
    ok = (::close(fd) == 0) && ok;
    if (!ok) ::unlink(path.c_str());
    return ok;
}

std::string WriteUniquePrivateFile(const std::string& folder, const std::string& extension,
                                   std::string_view content) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string name;
        for (int i = 0; i < 20; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        const std::string path = folder + "/" + name + "." + extension;
        if (WriteNewPrivateFile(path, content)) return path;
        if (errno != EEXIST) return {};
    }
    return {};
}

void RemoveFilesOlderThan(const std::string& folder, std::int64_t ageSeconds) {
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(listing)) {
        struct stat info {};
        if (::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(info.st_mode)) continue;
        if (now - info.st_mtime > ageSeconds) ::unlinkat(::dirfd(listing), entry->d_name, 0);
    }
    ::closedir(listing);
}

}  // namespace platform

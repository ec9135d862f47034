#include "platform/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

}  // namespace platform

#pragma once
// Files that only the user may read: settings, logs, databases, downloads in the data directory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Creates `path` and any missing parents with mode 0700. True when it exists as a folder after.
bool MakePrivateDirectory(const std::string& path);
// Replaces the file's content atomically (a private temporary file, then rename): a crash leaves
// either the old or the new file, never a torn one.
bool WriteFileAtomically(const std::string& path, std::string_view content);
// Appends `text` with one write, creating the file with mode 0600.
bool AppendToPrivateFile(const std::string& path, std::string_view text);
// The whole file, or nothing when it cannot be read or is larger than `limit`.
std::optional<std::string> ReadWholeFile(const std::string& path,
                                         std::size_t limit = 64u * 1024 * 1024);
// Size in bytes, or -1 when the file does not exist.
std::int64_t FileSize(const std::string& path);
bool IsDirectory(const std::string& path);
bool RemoveFile(const std::string& path);
// Makes an existing file private (0600), for files that a library created.
bool MakeFilePrivate(const std::string& path);

}  // namespace platform

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
// Creates `path` (and missing parents) like MakePrivateDirectory and sets the folder itself to
// 0700 exactly, whatever it was and whatever the umask: for folders of files kept from others.
bool MakeFolderPrivate(const std::string& path);
// True when `path` itself (a symbolic link is not followed) is a folder of this user with mode
// 0700 exactly: nobody else can add, replace or read anything in it.
bool IsPrivateFolder(const std::string& path);
// Writes a new file with mode 0600; false when anything exists at `path` already (a link
// included: it is never followed) or the content cannot be written, and nothing is left then.
bool WriteNewPrivateFile(const std::string& path, std::string_view content);
// Writes `content` as a new private file (0600) of `folder` under a random name that ends in
// ".<extension>", never replacing anything. Its path, or empty when it could not be written.
std::string WriteUniquePrivateFile(const std::string& folder, const std::string& extension,
                                   std::string_view content);
// Removes the files and links of `folder` (not its subfolders) last changed more than `ageSeconds`
// ago.
void RemoveFilesOlderThan(const std::string& folder, std::int64_t ageSeconds);

}  // namespace platform

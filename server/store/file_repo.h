#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "server/store/db.h"

namespace lumeno::server {

// Downloadable files (avatars, pictures, voice clips, the installer) live in the database under
// keys that are their URL paths, such as "/files/avatar/10001.png".
struct StoredFile {
    std::string mime;
    std::string data;
};

void PutFile(Database& db, const std::string& key, const std::string& mime, std::string_view data);
std::optional<StoredFile> GetFile(Database& db, const std::string& key);
bool HasFile(Database& db, const std::string& key);

}  // namespace lumeno::server

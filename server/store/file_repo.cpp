#include "server/store/file_repo.h"

namespace lumeno::server {

void PutFile(Database& db, const std::string& key, const std::string& mime, std::string_view data) {
    Statement s = db.Prepare("INSERT OR REPLACE INTO files(key, mime, data) VALUES(?,?,?)");
    s.Bind(1, key).Bind(2, mime).BindBlob(3, data);
    s.Run();
}

std::optional<StoredFile> GetFile(Database& db, const std::string& key) {
    Statement s = db.Prepare("SELECT mime, data FROM files WHERE key=?");
    s.Bind(1, key);
    if (!s.Step()) return std::nullopt;
    return StoredFile{s.Text(0), s.Text(1)};
}

bool HasFile(Database& db, const std::string& key) {
    return db.QueryInt("SELECT 1 FROM files WHERE key=?", key).has_value();
}

}  // namespace lumeno::server

#include "server/store/friend_repo.h"

namespace lumeno::server {

bool AreFriends(Database& db, std::int64_t a, std::int64_t b) {
    return db.QueryInt("SELECT 1 FROM friends WHERE user_id=? AND friend_id=?", a, b).has_value();
}

void AddFriendship(Database& db, std::int64_t a, std::int64_t b, int level, std::int64_t now) {
    const std::string sql =
        "INSERT INTO friends(user_id, friend_id, level, since) VALUES(?,?,?,?) "
        "ON CONFLICT(user_id, friend_id) DO UPDATE SET level=excluded.level";
    db.Run(sql, a, b, level, now);
    db.Run(sql, b, a, level, now);
}

void RemoveFriendship(Database& db, std::int64_t a, std::int64_t b) {
    db.Run("DELETE FROM friends WHERE (user_id=? AND friend_id=?) OR (user_id=? AND friend_id=?)",
           a, b, b, a);
}

std::vector<std::int64_t> FriendsOf(Database& db, std::int64_t user) {
    std::vector<std::int64_t> ids;
    Statement s = db.Prepare("SELECT friend_id FROM friends WHERE user_id=?");
    s.Bind(1, user);
    while (s.Step())
        ids.push_back(s.Int(0));
    return ids;
}

std::unordered_set<std::int64_t> FriendSetOf(Database& db, std::int64_t user) {
    std::vector<std::int64_t> ids = FriendsOf(db, user);
    return std::unordered_set<std::int64_t>(ids.begin(), ids.end());
}

}  // namespace lumeno::server

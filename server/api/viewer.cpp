#include "server/api/viewer.h"

#include "server/store/friend_repo.h"

namespace lumeno::server {

Viewer::Viewer(Database& db, UserRow me, std::string base_url)
    : db_(db), me_(std::move(me)), base_url_(std::move(base_url)) {}

const Viewer::Relation& Viewer::RelationTo(std::int64_t other) {
    auto found = relations_.find(other);
    if (found != relations_.end()) return found->second;
    if (!loaded_) {
        // One pass over the friends of the viewer's friends answers every later question.
        friends_ = FriendSetOf(db_, me_.id);
        Statement s = db_.Prepare(
            "SELECT f2.friend_id, COUNT(*) FROM friends f1 JOIN friends f2 "
            "ON f2.user_id=f1.friend_id WHERE f1.user_id=?1 AND f2.friend_id!=?1 "
            "GROUP BY f2.friend_id");
        s.Bind(1, me_.id);
        while (s.Step())
            common_[s.Int(0)] = static_cast<int>(s.Int(1));
        loaded_ = true;
    }
    Relation r;
    if (other == me_.id) {
        r.dist = 0;
    } else {
        auto common = common_.find(other);
        r.common = common == common_.end() ? 0 : common->second;
        r.dist = friends_.count(other) ? 1 : (r.common > 0 ? 2 : 3);
    }
    return relations_.emplace(other, r).first->second;
}

int Viewer::Dist(std::int64_t other) {
    return RelationTo(other).dist;
}

int Viewer::CommonFriends(std::int64_t other) {
    return RelationTo(other).common;
}

const UserRow* Viewer::User(std::int64_t id) {
    if (id == me_.id) return &me_;
    auto found = users_.find(id);
    if (found != users_.end()) return &found->second;
    std::optional<UserRow> row = FindUser(db_, id);
    if (!row) return nullptr;
    return &users_.emplace(id, std::move(*row)).first->second;
}

std::string Viewer::Url(const std::string& key) const {
    if (key.empty()) return {};
    return base_url_ + key;
}

}  // namespace lumeno::server

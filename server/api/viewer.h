#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "server/store/db.h"
#include "server/store/user_repo.h"

namespace lumeno::server {

// The signed-in user looking at other people: relationship distances, common friends and a
// cache of the users an answer mentions.
class Viewer {
  public:
    Viewer(Database& db, UserRow me, std::string base_url);

    Database& db() { return db_; }
    const UserRow& me() const { return me_; }
    const std::string& base_url() const { return base_url_; }

    // 0 the viewer, 1 a friend, 2 a friend of a friend, 3 anyone else.
    int Dist(std::int64_t other);
    int CommonFriends(std::int64_t other);
    // Cached lookup; null when there is no such user.
    const UserRow* User(std::int64_t id);

    // Absolute address of a stored file key ("" stays "").
    std::string Url(const std::string& key) const;

  private:
    struct Relation {
        int dist = 3;
        int common = 0;
    };
    const Relation& RelationTo(std::int64_t other);

    Database& db_;
    UserRow me_;
    std::string base_url_;
    bool loaded_ = false;
    std::unordered_set<std::int64_t> friends_;
    std::unordered_map<std::int64_t, int> common_;  // people sharing friends with the viewer
    std::unordered_map<std::int64_t, Relation> relations_;
    std::unordered_map<std::int64_t, UserRow> users_;
};

}  // namespace lumeno::server

#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "server/store/db.h"

namespace lumeno::server {

bool AreFriends(Database& db, std::int64_t a, std::int64_t b);
// Both directions; the level (1 to 3) is the one each side chose.
void AddFriendship(Database& db, std::int64_t a, std::int64_t b, int level, std::int64_t now);
void RemoveFriendship(Database& db, std::int64_t a, std::int64_t b);
std::vector<std::int64_t> FriendsOf(Database& db, std::int64_t user);
std::unordered_set<std::int64_t> FriendSetOf(Database& db, std::int64_t user);

}  // namespace lumeno::server

#include "api/contact_search.h"

#include <string>
#include <unordered_map>

#include "storage/user_store.h"

namespace {

struct CachedKeys {
    std::string name;
    NameSearchKeys keys;
};

// By qxid: a record's address says nothing once the store is cleared and filled again.
std::unordered_map<std::string, CachedKeys>& Cache() {
    static std::unordered_map<std::string, CachedKeys> cache;
    return cache;
}

}  // namespace

const NameSearchKeys& ContactNameKeys(const UserRecord& user) {
    auto [entry, added] = Cache().try_emplace(user.qxid);
    CachedKeys& cached = entry->second;
    if (added || cached.name != user.name) {
        cached.name = user.name;
        cached.keys = MakeNameSearchKeys(user.name);
    }
    return cached.keys;
}

std::vector<UserRecord*> SearchContacts(std::string_view typed) {
    const NameQuery query(typed);
    std::vector<UserRecord*> found;
    for (const auto& [py, users] : CDBUser::Instance().ContactIndex()) {
        for (UserRecord* user : users) {
            if (query.Matches(ContactNameKeys(*user))) found.push_back(user);
        }
    }
    return found;
}

void ClearContactSearch() {
    Cache().clear();
}

std::size_t ContactSearchCacheSize() {
    return Cache().size();
}

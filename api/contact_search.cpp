#include "api/contact_search.h"

#include <string>
#include <unordered_map>

#include "storage/user_store.h"
#include "util/pinyin/name_search.h"

namespace {

struct CachedKeys {
    bool made = false;
    std::string name;
    NameSearchKeys keys;
};

// By record: records keep their address while they are stored, and the keys depend only on the
// name, so a reused address with another name is simply worked out again.
const NameSearchKeys& KeysOf(const UserRecord& user) {
    static std::unordered_map<const UserRecord*, CachedKeys> cache;
    CachedKeys& entry = cache[&user];
    if (!entry.made || entry.name != user.name) {
        entry.made = true;
        entry.name = user.name;
        entry.keys = MakeNameSearchKeys(user.name);
    }
    return entry.keys;
}

}  // namespace

std::vector<UserRecord*> SearchContacts(std::string_view typed) {
    const NameQuery query(typed);
    std::vector<UserRecord*> found;
    for (const auto& [py, users] : CDBUser::Instance().ContactIndex()) {
        for (UserRecord* user : users) {
            if (query.Matches(KeysOf(*user))) found.push_back(user);
        }
    }
    return found;
}

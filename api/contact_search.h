#pragma once
// The contact list's search: first-degree contacts whose name, whole pinyin or initials hold the
// typed text, in the order of the contact list. The pinyin of each name is worked out once and
// kept, by qxid, while the name stays the same; signing out forgets it. UI thread.

#include <cstddef>
#include <string_view>
#include <vector>

#include "storage/records.h"
#include "util/pinyin/name_search.h"

std::vector<UserRecord*> SearchContacts(std::string_view typed);

// The user's name as searched (name, whole pinyin, initials), worked out once while the name
// stays the same.
const NameSearchKeys& ContactNameKeys(const UserRecord& user);

// Forgets the worked-out names (signing out).
void ClearContactSearch();
// How many names are kept, at most one per user of the account.
std::size_t ContactSearchCacheSize();

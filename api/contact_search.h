#pragma once
// The contact list's search: first-degree contacts whose name, whole pinyin or initials hold the
// typed text, in the order of the contact list. The pinyin of each name is worked out once and
// kept while the name stays the same. UI thread.

#include <string_view>
#include <vector>

#include "storage/records.h"

std::vector<UserRecord*> SearchContacts(std::string_view typed);

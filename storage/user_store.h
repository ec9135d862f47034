#pragma once
// Users known to the signed-in account, by qxid (ascending, the order in which they are saved),
// with the contact index of the contact list and the profiles fetched for the profile windows.
// Records keep their address while they are in the store.

#include <map>
#include <string>
#include <vector>

#include "storage/profile_records.h"
#include "storage/records.h"

using UserMap = std::map<std::string, UserRecord>;

// The feedback account, which the contact list never shows.
inline constexpr const char* kFeedbackQxid = "6";

class CDBUser {
  public:
    static CDBUser& Instance();

    UserRecord* Find(const std::string& qxid);
    UserMap& Users() { return users_; }

    // First-degree contacts (dist 1, utype 1, not the feedback account) by pinyin; within one
    // pinyin in qxid order. Its order is the order of the contact list.
    const std::map<std::string, std::vector<UserRecord*>>& ContactIndex() const {
        return contacts_;
    }
    void RebuildContactIndex();

    std::map<std::string, ProfileRecord>& Profiles() { return profiles_; }
    std::map<std::string, TalentRecord>& Talents() { return talents_; }

    void Clear();

  private:
    UserMap users_;
    std::map<std::string, std::vector<UserRecord*>> contacts_;
    std::map<std::string, ProfileRecord> profiles_;
    std::map<std::string, TalentRecord> talents_;
};

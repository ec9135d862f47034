#pragma once
// Users known to the signed-in account, by qxid (ascending, the order in which they are saved).

#include <map>
#include <string>

#include "storage/records.h"

using UserMap = std::map<std::string, UserRecord>;

class CDBUser {
  public:
    static CDBUser& Instance();

    UserRecord* Find(const std::string& qxid);
    UserMap& Users() { return users_; }
    void Clear() { users_.clear(); }

  private:
    UserMap users_;
};

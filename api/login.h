#pragma once
// The signed-in account and the values every request derives from it.

#include <string>
#include <string_view>

#include "storage/records.h"

class CDBLogin {
  public:
    static CDBLogin& Instance();

    LoginRecord& Record() { return record_; }
    const LoginRecord& Record() const { return record_; }

  private:
    LoginRecord record_;
};

// Reads a sign-in answer into `record`: the top-level token and every member named "user" (any
// case) that is an object. Fails, writing nothing, for an answer that is not an object or that
// carries an integer "error_code"; fails too when no user object was read.
bool DecodeSignInAnswer(std::string_view answer, LoginRecord& record);

// The user id as the service names an account: the number when it is above 0, else the id text,
// else the tid (empty when none).
std::string MyUserId(const LoginRecord& record);
std::string MyUserId();
// "u=<qxid>&access_token=<token>", both encoded for a query.
std::string AuthQuery(const LoginRecord& record);
std::string AuthQuery();

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/store/db.h"

namespace lumeno::server {

// A person's stored profile. The qxid (the service-wide key of a user) is the decimal id.
struct UserRow {
    std::int64_t id = 0;
    std::string qxid;
    std::string tid;
    std::string username;
    std::string mobile;
    std::string email;
    std::string name;
    std::string py;
    int gender = 0;
    std::string avatar;  // a file key, or for anonymous users the number of a skin picture
    int anonym = 0;
    int judge = 0;
    int reconly = 0;
    std::string province;
    std::string city;
    std::string company;
    std::string position;
    std::string industry;
    std::string birthday;
    std::string signature;
    std::string school;
    int major = 0;
    int profession = 0;
    int work_since = 0;
    std::string education;
    std::string salary;
    std::string skills;
    std::string attitude;
    std::string statement;
    std::string anon_avatar = "3";
    int online = 0;
};

std::optional<UserRow> FindUser(Database& db, std::int64_t id);
std::optional<UserRow> FindUserByQxid(Database& db, std::string_view qxid);
// Account name, mobile number or e-mail address.
std::optional<UserRow> FindUserByAccount(Database& db, std::string_view account);

// Stores a new user; id 0 picks the next free id. Returns the id.
std::int64_t InsertUser(Database& db, UserRow user);
void SetPassword(Database& db, std::int64_t user, std::string_view password);
bool CheckPassword(Database& db, std::int64_t user, std::string_view password);
// The stored salt and hash, so that the costly comparison can run outside the store lock.
struct PasswordRecord {
    std::string salt;
    std::string hash;
};
std::optional<PasswordRecord> LoadPassword(Database& db, std::int64_t user);
bool PasswordMatches(const PasswordRecord& record, std::string_view password);
void SetPresence(Database& db, std::int64_t user, int on, std::int64_t now);

enum class TokenState { kValid, kUnknown, kRevoked };
struct TokenCheck {
    TokenState state = TokenState::kUnknown;
    int revoked_code = 0;
    std::int64_t user = 0;
};
std::string IssueToken(Database& db, std::int64_t user, std::int64_t now);
TokenCheck CheckToken(Database& db, std::string_view qxid, std::string_view token);
// Marks every token of the user with the error code its next use answers (20001 or 20002).
void RevokeTokens(Database& db, std::int64_t user, int code);

// What the last synchronisation answer of a user left behind (see the sync page).
struct SyncMarks {
    std::int64_t dlg_ts = 0;
    std::int64_t dlg_id = 0;
    std::int64_t conv_ts = 0;
    std::int64_t conv_seq = 0;
    std::int64_t cursor = 0;
    bool synced = false;
};
SyncMarks LoadSyncMarks(Database& db, std::int64_t user);
void SaveSyncMarks(Database& db, std::int64_t user, const SyncMarks& marks);

void TouchTasks(Database& db, std::int64_t user, std::int64_t ts);
std::int64_t TasksTime(Database& db, std::int64_t user);

}  // namespace lumeno::server

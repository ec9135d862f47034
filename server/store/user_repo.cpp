#include "server/store/user_repo.h"

#include "server/core/crypto.h"

namespace lumeno::server {
namespace {

const char* const kColumns =
    "id, qxid, tid, IFNULL(username,''), IFNULL(mobile,''), email, name, py, gender, avatar, "
    "anonym, judge, reconly, province, city, company, position, industry, birthday, signature, "
    "school, major, profession, work_since, education, salary, skills, attitude, statement, "
    "anon_avatar, online";

UserRow ReadUser(const Statement& s) {
    UserRow u;
    int c = 0;
    u.id = s.Int(c++);
    u.qxid = s.Text(c++);
    u.tid = s.Text(c++);
    u.username = s.Text(c++);
    u.mobile = s.Text(c++);
    u.email = s.Text(c++);
    u.name = s.Text(c++);
    u.py = s.Text(c++);
    u.gender = static_cast<int>(s.Int(c++));
    u.avatar = s.Text(c++);
    u.anonym = static_cast<int>(s.Int(c++));
    u.judge = static_cast<int>(s.Int(c++));
    u.reconly = static_cast<int>(s.Int(c++));
    u.province = s.Text(c++);
    u.city = s.Text(c++);
    u.company = s.Text(c++);
    u.position = s.Text(c++);
    u.industry = s.Text(c++);
    u.birthday = s.Text(c++);
    u.signature = s.Text(c++);
    u.school = s.Text(c++);
    u.major = static_cast<int>(s.Int(c++));
    u.profession = static_cast<int>(s.Int(c++));
    u.work_since = static_cast<int>(s.Int(c++));
    u.education = s.Text(c++);
    u.salary = s.Text(c++);
    u.skills = s.Text(c++);
    u.attitude = s.Text(c++);
    u.statement = s.Text(c++);
    u.anon_avatar = s.Text(c++);
    u.online = static_cast<int>(s.Int(c++));
    return u;
}

std::optional<UserRow> QueryOne(Database& db, const std::string& where, std::string_view key) {
    Statement s = db.Prepare(std::string("SELECT ") + kColumns + " FROM users WHERE " + where);
    s.Bind(1, key);
    if (!s.Step()) return std::nullopt;
    return ReadUser(s);
}

}  // namespace

std::optional<UserRow> FindUser(Database& db, std::int64_t id) {
    Statement s = db.Prepare(std::string("SELECT ") + kColumns + " FROM users WHERE id=?");
    s.Bind(1, id);
    if (!s.Step()) return std::nullopt;
    return ReadUser(s);
}

std::optional<UserRow> FindUserByQxid(Database& db, std::string_view qxid) {
    return QueryOne(db, "qxid=?", qxid);
}

std::optional<UserRow> FindUserByAccount(Database& db, std::string_view account) {
    if (account.empty()) return std::nullopt;
    if (auto u = QueryOne(db, "username=?", account)) return u;
    if (auto u = QueryOne(db, "mobile=?", account)) return u;
    if (account.find('@') != std::string_view::npos) return QueryOne(db, "email=?", account);
    return std::nullopt;
}

std::int64_t InsertUser(Database& db, UserRow u) {
    if (u.id == 0) u.id = db.QueryInt("SELECT MAX(id) FROM users").value_or(10000) + 1;
    if (u.qxid.empty()) u.qxid = std::to_string(u.id);
    if (u.tid.empty()) u.tid = "lm" + std::to_string(u.id * 7919 % 1000003);
    Statement s = db.Prepare(
        "INSERT INTO users(id, qxid, tid, username, mobile, email, name, py, gender, avatar, "
        "anonym, judge, reconly, province, city, company, position, industry, birthday, "
        "signature, school, major, profession, work_since, education, salary, skills, attitude, "
        "statement, anon_avatar) VALUES(?,?,?,NULLIF(?,''),NULLIF(?,''),?,?,?,?,?,?,?,?,?,?,?,?,"
        "?,?,?,?,?,?,?,?,?,?,?,?,?)");
    s.BindAll(u.id, u.qxid, u.tid, u.username, u.mobile, u.email, u.name, u.py, u.gender, u.avatar,
              u.anonym, u.judge, u.reconly, u.province, u.city, u.company, u.position, u.industry,
              u.birthday, u.signature, u.school, u.major, u.profession, u.work_since, u.education,
              u.salary, u.skills, u.attitude, u.statement, u.anon_avatar);
    s.Run();
    return u.id;
}

void SetPassword(Database& db, std::int64_t user, std::string_view password) {
    std::string salt = RandomHex(16);
    db.Run("UPDATE users SET pwd_salt=?, pwd_hash=? WHERE id=?", salt, PasswordHash(password, salt),
           user);
}

std::optional<PasswordRecord> LoadPassword(Database& db, std::int64_t user) {
    Statement s = db.Prepare("SELECT pwd_salt, pwd_hash FROM users WHERE id=?");
    s.Bind(1, user);
    if (!s.Step()) return std::nullopt;
    return PasswordRecord{s.Text(0), s.Text(1)};
}

bool PasswordMatches(const PasswordRecord& record, std::string_view password) {
    if (record.hash.empty()) return false;  // accounts without a password cannot sign in with one
    std::string given = PasswordHash(password, record.salt);
    // Compare without an early exit.
    unsigned char difference = given.size() == record.hash.size() ? 0 : 1;
    for (size_t i = 0; i < given.size() && i < record.hash.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ record.hash[i]);
    return difference == 0;
}

bool CheckPassword(Database& db, std::int64_t user, std::string_view password) {
    std::optional<PasswordRecord> record = LoadPassword(db, user);
    return record && PasswordMatches(*record, password);
}

void SetPresence(Database& db, std::int64_t user, int on, std::int64_t now) {
    db.Run("UPDATE users SET online=?, last_seen=? WHERE id=?", on, now, user);
}

std::string IssueToken(Database& db, std::int64_t user, std::int64_t now) {
    std::string token = RandomHex(16);
    db.Run("INSERT INTO tokens(token, user_id, created) VALUES(?,?,?)", token, user, now);
    return token;
}

TokenCheck CheckToken(Database& db, std::string_view qxid, std::string_view token) {
    TokenCheck check;
    if (qxid.empty() || token.empty()) return check;
    Statement s = db.Prepare(
        "SELECT t.user_id, t.revoked FROM tokens t JOIN users u ON u.id=t.user_id "
        "WHERE t.token=? AND u.qxid=?");
    s.BindAll(token, qxid);
    if (!s.Step()) return check;
    check.user = s.Int(0);
    check.revoked_code = static_cast<int>(s.Int(1));
    check.state = check.revoked_code == 0 ? TokenState::kValid : TokenState::kRevoked;
    return check;
}

void RevokeTokens(Database& db, std::int64_t user, int code) {
    db.Run("UPDATE tokens SET revoked=? WHERE user_id=?", code, user);
}

SyncMarks LoadSyncMarks(Database& db, std::int64_t user) {
    SyncMarks m;
    Statement s = db.Prepare(
        "SELECT sync_dlg_ts, sync_dlg_id, sync_conv_ts, sync_conv_seq, sync_cursor, synced "
        "FROM users WHERE id=?");
    s.Bind(1, user);
    if (s.Step()) {
        m.dlg_ts = s.Int(0);
        m.dlg_id = s.Int(1);
        m.conv_ts = s.Int(2);
        m.conv_seq = s.Int(3);
        m.cursor = s.Int(4);
        m.synced = s.Int(5) != 0;
    }
    return m;
}

void SaveSyncMarks(Database& db, std::int64_t user, const SyncMarks& m) {
    db.Run(
        "UPDATE users SET sync_dlg_ts=?, sync_dlg_id=?, sync_conv_ts=?, sync_conv_seq=?, "
        "sync_cursor=?, synced=? WHERE id=?",
        m.dlg_ts, m.dlg_id, m.conv_ts, m.conv_seq, m.cursor, m.synced ? 1 : 0, user);
}

void TouchTasks(Database& db, std::int64_t user, std::int64_t ts) {
    db.Run("UPDATE users SET tasks_ts=? WHERE id=?", ts, user);
}

std::int64_t TasksTime(Database& db, std::int64_t user) {
    return db.QueryInt("SELECT tasks_ts FROM users WHERE id=?", user).value_or(0);
}

}  // namespace lumeno::server

// The account database's file, schema, loads and batch writes.
#include <sqlite3.h>

#include <cstdio>
#include <utility>

#include "platform/directories.h"
#include "platform/private_files.h"
#include "storage/database_key.h"
#include "storage/sqlite_helper.h"

namespace {

constexpr const char* kCreateMessages =
    "CREATE TABLE messages (_id INTEGER PRIMARY KEY, badge INTEGER DEFAULT 0, crtime INTEGER, "
    "uptime INTEGER, type INTEGER, hide_me BOOL, has_reveal BOOL, is_loadall BOOL, "
    "last_dialog_id INTEGER, last_dialog_text TEXT, last_dialog_status INTEGER DEFAULT 0, "
    "last_dialog_time INTEGER, lastdlgtimestr TEXT,sort_key INTEGER DEFAULT 0, deleted INTEGER "
    "DEFAULT 0, m_title TEXT, m_avatar TEXT, notify BOOL DEFAULT 1, in_anony BOOL DEFAULT 0, "
    "draft TEXT, latt INTEGER, qxid TEXT ,statustime TEXT, last_read_did INTEGER DEFAULT "
    "0,mhash TEXT, initbyme INTEGER DEFAULT 0);";
constexpr const char* kCreateSetting =
    "CREATE TABLE setting (_id INTEGER PRIMARY KEY, name TEXT, s_int INTEGER, s_text TEXT );";
constexpr const char* kCreateUsers =
    "CREATE TABLE users (_id INTEGER PRIMARY KEY, uid INTEGER, qxid TEXT, pinyin TEXT, name TEXT, "
    "avatar TEXT, career TEXT, judge INTEGER, gender INTEGER, utype INTEGER, dist INTEGER DEFAULT "
    "3, sort_key INTEGER DEFAULT 0, anony BOOL, iconpath TEXT, jsondata TEXT );";
constexpr const char* kUserIndexes[] = {
    "CREATE UNIQUE INDEX user_index ON users (qxid);",
    "CREATE INDEX user_py_index ON users (pinyin);",
    "CREATE INDEX user_sr_index ON users (sort_key);",
};

std::string Text(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    if (!text) return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

std::vector<std::string> SplitAtComma(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        parts.push_back(
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

// Reads every row of `sql` while holding the connection, so that a batch running on a worker is
// seen either whole or not at all.
template <typename Row>
void ReadRows(sqlite3* db, const char* sql, Row row) {
    if (!db) return;
    sqlite3_mutex* mutex = sqlite3_db_mutex(db);
    sqlite3_mutex_enter(mutex);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            if (!row(statement)) break;
        }
    }
    sqlite3_finalize(statement);
    sqlite3_mutex_leave(mutex);
}

}  // namespace

namespace {

// The name becomes a folder and a file name: refuse anything that could leave the data directory.
bool UsableAccountName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

}  // namespace

bool CSQLiteHelper::OpenAccount(const std::string& accountName) {
    if (db_) return true;
    if (!UsableAccountName(accountName)) return false;
    if (!sqlite_ && sqlite_.Get(CKesSqlite::kNumber) != S_OK) return false;
    const std::string folder = platform::JoinPath(platform::DataDirectory(), accountName);
    if (!platform::MakePrivateDirectory(folder)) return false;
    const std::string key = DatabaseKey();
    sqlite3* db = nullptr;
    if (sqlite_->Open(AccountFilePath(accountName).c_str(), &db, key.data(),
                      static_cast<int>(key.size())) != S_OK ||
        !db) {
        return false;
    }
    db_ = db;
    return FinishOpen();
}

bool CSQLiteHelper::OpenAccount(const std::string& accountName, CAsyncWorkFlow& flow) {
    if (db_) return true;
    if (!UsableAccountName(accountName)) return false;
    if (!sqlite_ && sqlite_.Get(CKesSqlite::kNumber) != S_OK) return false;
    // A handle opened on the worker of a flow that was cancelled meanwhile is closed, not leaked.
    struct Opened {
        sqlite3* db = nullptr;
        Opened() = default;
        Opened(Opened&& other) noexcept : db(std::exchange(other.db, nullptr)) {}
        ~Opened() {
            if (db) sqlite3_close(db);
        }
    };
    const std::string path = AccountFilePath(accountName);
    const std::string folder = platform::JoinPath(platform::DataDirectory(), accountName);
    ISqlite* sqlite = sqlite_.get();
    Opened opened = PoolScope::Run(flow, [&] {
        Opened result;
        if (!platform::MakePrivateDirectory(folder)) return result;
        const std::string key = DatabaseKey();
        sqlite3* db = nullptr;
        if (sqlite->Open(path.c_str(), &db, key.data(), static_cast<int>(key.size())) == S_OK) {
            result.db = db;
        }
        return result;
    });
    if (!opened.db || db_) return db_ != nullptr;  // another open won the race meanwhile
    db_ = std::exchange(opened.db, nullptr);
    return FinishOpen();
}

bool CSQLiteHelper::FinishOpen() {
    ++generation_;
    if (!RunStatement("PRAGMA synchronous = 0") || !RunStatement("PRAGMA auto_vacuum = 2")) {
        return false;
    }
    LoadTableNames();
    EnsureSchema();
    return true;
}

void CSQLiteHelper::EnsureSchema() {
    if (TableExists("messages")) {
        bool hasColumn = false;
        char** table = nullptr;
        int rows = 0, columns = 0;
        if (sqlite_->GetTable(
                db_, "select sql from sqlite_master where tbl_name='messages' and type='table'",
                &table, &rows, &columns, nullptr) == S_OK) {
            for (int row = 1; row <= rows; ++row) {
                const char* sql = table[row * columns];
                if (sql && std::string(sql).find("initbyme") != std::string::npos) hasColumn = true;
            }
            sqlite_->FreeTable(table);
        }
        if (!hasColumn)
            RunStatement("begin;\n ALTER TABLE messages ADD initbyme INTEGER DEFAULT 0;\n commit;");
    } else {
        RunStatement(kCreateMessages);
    }
    if (!TableExists("setting")) RunStatement(kCreateSetting);
    if (!TableExists("users")) {
        RunStatement(kCreateUsers);
        for (const char* index : kUserIndexes)
            RunStatement(index);
    }
}

void CSQLiteHelper::LoadConversations(CDBMsgDlg& store) {
    ReadRows(db_, "select * from messages;", [&store](sqlite3_stmt* row) {
        const std::int32_t id = sqlite3_column_int(row, 0);
        ConversationRecord& c = store.ConversationFor(id);
        c.id = id;
        c.badge = sqlite3_column_int(row, 1);
        c.crtimestamp = sqlite3_column_int(row, 2);
        c.status_timestamp = sqlite3_column_int(row, 3);
        c.type = sqlite3_column_int(row, 4);
        c.has_reveal = sqlite3_column_int(row, 6);
        c.last_dialog_id = sqlite3_column_int(row, 8);
        c.text = Text(row, 9);
        c.last_dialog_timestamp = sqlite3_column_int(row, 11);
        c.last_dialog_time = Text(row, 12);
        c.deleted = sqlite3_column_int(row, 14);
        c.name = Text(row, 15);
        c.notify = sqlite3_column_int(row, 17);
        c.me_is_anony = sqlite3_column_int(row, 18);
        c.uids = Text(row, 21);
        c.member_ids = c.uids.empty() ? std::vector<std::string>() : SplitAtComma(c.uids);
        c.status_time = Text(row, 22);
        c.last_read_did = sqlite3_column_int(row, 23);
        c.mhash = Text(row, 24);
        c.init_by_me = sqlite3_column_int(row, 25);
        store.Loaded().push_back(id);
        return true;
    });
}

void CSQLiteHelper::LoadUsers(UserMap& users) {
    ReadRows(db_, "select * from users;", [&users](sqlite3_stmt* row) {
        UserRecord user;
        user.id = sqlite3_column_int(row, 1);
        user.qxid = Text(row, 2);
        user.py = Text(row, 3);
        user.name = Text(row, 4);
        user.avatar = Text(row, 5);
        user.career = Text(row, 6);
        user.judge = sqlite3_column_int(row, 7);
        user.gender = sqlite3_column_int(row, 8);
        user.utype = sqlite3_column_int(row, 9);
        user.dist = sqlite3_column_int(row, 10);
        user.anonym = sqlite3_column_int(row, 12);
        user.jsondata = Text(row, 14);
        if (user.dist == 1 && user.utype == 1) user.contact = 1;
        users[user.qxid] = std::move(user);
        return true;
    });
}

void CSQLiteHelper::LoadSetting(int id, std::int32_t& number, std::string& text) {
    ReadRows(db_, "select * from setting;", [&](sqlite3_stmt* row) {
        if (sqlite3_column_int(row, 0) != id) return true;
        number = sqlite3_column_int(row, 2);
        text = Text(row, 3);
        return false;
    });
}

namespace {

// Runs one prepared statement for every row; false at the first row that fails.
template <typename Row, typename Bind>
bool WriteRows(sqlite3* db, const char* sql, const std::vector<Row>& rows, Bind bind) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    bool ok = true;
    for (const Row& row : rows) {
        bind(statement, row);
        if (sqlite3_step(statement) != SQLITE_DONE) {
            ok = false;
            break;
        }
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
    sqlite3_finalize(statement);
    return ok;
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

}  // namespace

namespace {

const char* SettingName(int id) {
    return id == 0 ? "max_dialog_time" : id == 1 ? "last_ctime" : "";
}

bool WriteSettingRows(sqlite3* db, const std::vector<CSQLiteHelper::SettingRow>& settings) {
    return WriteRows(db, "REPLACE INTO setting values(?,?,?,?);", settings,
                     [](sqlite3_stmt* s, const CSQLiteHelper::SettingRow& row) {
                         sqlite3_bind_int(s, 1, row.id);
                         sqlite3_bind_text(s, 2, SettingName(row.id), -1, SQLITE_STATIC);
                         sqlite3_bind_int(s, 3, row.number);
                         BindText(s, 4, row.text);
                     });
}

bool WriteConversationRows(sqlite3* db, const std::vector<ConversationRecord>& rows) {
    return WriteRows(
        db,
        "REPLACE INTO messages "
        "values(?,?,?,?,?,'0',?,'1',?,?,0,?,?,0,?,?,'',?,?,'',0,?,?,?,?,?);",
        rows, [](sqlite3_stmt* s, const ConversationRecord& c) {
            sqlite3_bind_int(s, 1, c.id);
            sqlite3_bind_int(s, 2, c.badge);
            sqlite3_bind_int(s, 3, c.crtimestamp);
            sqlite3_bind_int(s, 4, c.status_timestamp);
            sqlite3_bind_int(s, 5, c.type);
            sqlite3_bind_text(s, 6, std::to_string(c.has_reveal).c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(s, 7, c.last_dialog_id);
            BindText(s, 8, c.text);
            sqlite3_bind_int(s, 9, c.last_dialog_timestamp);
            BindText(s, 10, c.last_dialog_time);
            sqlite3_bind_int(s, 11, c.deleted);
            BindText(s, 12, c.name);
            sqlite3_bind_text(s, 13, std::to_string(c.notify).c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 14, std::to_string(c.me_is_anony).c_str(), -1, SQLITE_TRANSIENT);
            BindText(s, 15, c.uids);
            BindText(s, 16, c.status_time);
            sqlite3_bind_int(s, 17, c.last_read_did);
            BindText(s, 18, c.mhash);
            sqlite3_bind_int(s, 19, c.init_by_me);
        });
}

}  // namespace

CSQLiteHelper::BatchOutcome CSQLiteHelper::SaveConversations(const CDBMsgDlg& store,
                                                             const std::vector<std::int32_t>& ids,
                                                             CAsyncWorkFlow& flow,
                                                             std::vector<SettingRow> settings) {
    if (!db_) return BatchOutcome::kNoAccount;
    std::vector<ConversationRecord> rows;
    for (std::int32_t id : ids) {
        auto found = store.Conversations().find(id);
        if (found != store.Conversations().end()) rows.push_back(*found->second);
    }
    if (rows.empty() && settings.empty()) return BatchOutcome::kWritten;
    return RunBatch(
        [rows = std::move(rows), settings = std::move(settings)](sqlite3* db) {
            return WriteConversationRows(db, rows) && WriteSettingRows(db, settings);
        },
        flow);
}

CSQLiteHelper::BatchOutcome CSQLiteHelper::SaveUsers(const UserMap& users, CAsyncWorkFlow& flow) {
    if (!db_) return BatchOutcome::kNoAccount;
    std::vector<UserRecord> rows;
    rows.reserve(users.size());
    for (const auto& [qxid, user] : users) {
        rows.push_back(user);
        rows.back().qxid = qxid;
    }
    return RunBatch(
        [rows = std::move(rows)](sqlite3* db) {
            // A fresh row number for each write: the unique qxid index replaces the user's own
            // earlier row, and no other user's row is touched.
            return WriteRows(db, "REPLACE INTO users values(NULL,?,?,?,?,?,?,?,?,?,?,0,?,'',?);",
                             rows, [](sqlite3_stmt* s, const UserRecord& u) {
                                 sqlite3_bind_int(s, 1, u.id);
                                 BindText(s, 2, u.qxid);
                                 BindText(s, 3, u.py);
                                 BindText(s, 4, u.name);
                                 BindText(s, 5, u.avatar);
                                 BindText(s, 6, u.career);
                                 sqlite3_bind_int(s, 7, u.judge);
                                 sqlite3_bind_int(s, 8, u.gender);
                                 sqlite3_bind_int(s, 9, u.utype);
                                 sqlite3_bind_int(s, 10, u.dist);
                                 sqlite3_bind_text(s, 11, std::to_string(u.anonym).c_str(), -1,
                                                   SQLITE_TRANSIENT);
                                 BindText(s, 12, u.jsondata);
                             });
        },
        flow);
}

void CSQLiteHelper::SaveSetting(int id, std::int32_t number, const std::string& text) {
    if (!db_) return;
    const char* name = SettingName(id);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, "REPLACE INTO setting values(?,?,?,?);", -1, &statement, nullptr) ==
        SQLITE_OK) {
        sqlite3_bind_int(statement, 1, id);
        sqlite3_bind_text(statement, 2, name, -1, SQLITE_STATIC);
        sqlite3_bind_int(statement, 3, number);
        BindText(statement, 4, text);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
}

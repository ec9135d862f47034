#include "server/store/db.h"

namespace lumeno::server {

Statement::Statement(sqlite3_stmt* stmt, bool* in_use, bool owned)
    : stmt_(stmt), in_use_(in_use), owned_(owned) {}

Statement::Statement(Statement&& other) noexcept
    : stmt_(other.stmt_), in_use_(other.in_use_), owned_(other.owned_) {
    other.stmt_ = nullptr;
    other.in_use_ = nullptr;
}

Statement::~Statement() {
    if (!stmt_) return;
    if (owned_) {
        sqlite3_finalize(stmt_);
        return;
    }
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    if (in_use_) *in_use_ = false;
}

void Statement::Check(int rc) const {
    if (rc != SQLITE_OK) throw DbError(sqlite3_errstr(rc));
}

Statement& Statement::BindBlob(int index, std::string_view bytes) {
    Check(sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()),
                            SQLITE_TRANSIENT));
    return *this;
}

bool Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw DbError(sqlite3_errmsg(sqlite3_db_handle(stmt_)));
}

void Statement::Run() {
    while (Step()) {
    }
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Text(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    if (!data || size <= 0) return {};
    return std::string(static_cast<const char*>(data), static_cast<size_t>(size));
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Database::Database(const std::string& path) {
    int rc =
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 5000);
}

Database::~Database() {
    for (auto& [sql, cached] : cache_)
        sqlite3_finalize(cached.stmt);
    sqlite3_close(db_);
}

void Database::Exec(std::string_view sql) {
    std::string text(sql);
    char* error = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw DbError(message);
    }
}

Statement Database::Prepare(const std::string& sql) {
    auto found = cache_.find(sql);
    if (found != cache_.end() && !*found->second.in_use) {
        *found->second.in_use = true;
        return Statement(found->second.stmt, found->second.in_use.get(), false);
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK)
        throw DbError(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    if (found != cache_.end()) return Statement(stmt, nullptr, true);  // nested use of one query
    Cached& cached = cache_[sql];
    cached.stmt = stmt;
    cached.in_use = std::make_unique<bool>(true);
    return Statement(stmt, cached.in_use.get(), false);
}

std::int64_t Database::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int Database::Changes() const {
    return sqlite3_changes(db_);
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.Exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (done_) return;
    try {
        db_.Exec("ROLLBACK");
    } catch (const DbError&) {
        // Nothing more can be done while unwinding.
    }
}

void Transaction::Commit() {
    db_.Exec("COMMIT");
    done_ = true;
}

}  // namespace lumeno::server

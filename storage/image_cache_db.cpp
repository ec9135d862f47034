#include "storage/image_cache_db.h"

#include <sqlite3.h>

#include <vector>

namespace {

constexpr const char* kTable = "tab_0";

// A prepared statement finalised on every way out.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK)
            statement_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return statement_; }
    explicit operator bool() const { return statement_ != nullptr; }
    void BindText(int index, const std::string& text) {
        sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }

  private:
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace

ImageCacheDatabase::~ImageCacheDatabase() {
    Close();
}

bool ImageCacheDatabase::Open(const std::string& path, const std::string& key,
                              const Limits& limits) {
    std::lock_guard lock(mutex_);
    if (db_) return true;
    limits_ = limits;
    if (!sqlite_ && sqlite_.Get(CKesSqlite::kNumber) != S_OK) return false;
    if (sqlite_->Open(path.c_str(), &db_, key.data(), static_cast<int>(key.size())) != S_OK) {
        db_ = nullptr;
        return false;
    }
    sqlite_->Exec(db_, "PRAGMA synchronous = 0;", nullptr, nullptr);
    sqlite_->Exec(db_, "PRAGMA auto_vacuum = 2;", nullptr, nullptr);
    if (!EnsureTable()) {
        sqlite_->Close(db_);
        db_ = nullptr;
        return false;
    }
    keys_.clear();
    bytes_ = 0;
    Statement rows(db_, "select keySZ, length(val), used from tab_0;");
    while (rows && sqlite3_step(rows.get()) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows.get(), 0));
        if (text)
            keys_.emplace(text, static_cast<std::size_t>(sqlite3_column_bytes(rows.get(), 0)));
        bytes_ += static_cast<std::size_t>(sqlite3_column_int64(rows.get(), 1));
        useCounter_ = std::max<std::int64_t>(useCounter_, sqlite3_column_int64(rows.get(), 2));
    }
    EvictLocked();
    return true;
}

bool ImageCacheDatabase::EnsureTable() {
    Statement exists(db_, "select sql from sqlite_master where type='table' and name='tab_0';");
    if (!exists) return false;
    if (sqlite3_step(exists.get()) != SQLITE_ROW) {
        // The use counter orders the values for eviction.
        return sqlite_->Exec(db_,
                             "create table tab_0(keySZ char(260) UNIQUE, val blob, "
                             "used integer not null default 0);",
                             nullptr, nullptr) == S_OK;
    }
    const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(exists.get(), 0));
    if (sql && std::string(sql).find("used") == std::string::npos) {
        return sqlite_->Exec(db_, "alter table tab_0 add used integer not null default 0;", nullptr,
                             nullptr) == S_OK;
    }
    return true;
}

void ImageCacheDatabase::Close() {
    std::lock_guard lock(mutex_);
    if (!db_) return;
    sqlite_->Exec(db_, "PRAGMA incremental_vacuum(0);", nullptr, nullptr);
    sqlite_->Close(db_);
    db_ = nullptr;
    keys_.clear();
    bytes_ = 0;
}

bool ImageCacheDatabase::IsOpen() const {
    std::lock_guard lock(mutex_);
    return db_ != nullptr;
}

bool ImageCacheDatabase::Contains(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return keys_.count(key) != 0;
}

std::optional<std::string> ImageCacheDatabase::Read(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (!db_ || !keys_.count(key)) return std::nullopt;
    std::optional<std::string> value;
    {
        Statement select(db_, "select val from tab_0 where keySZ = ?;");
        if (!select) return std::nullopt;
        select.BindText(1, key);
        if (sqlite3_step(select.get()) != SQLITE_ROW) return std::nullopt;
        const void* blob = sqlite3_column_blob(select.get(), 0);
        const int size = sqlite3_column_bytes(select.get(), 0);
        value.emplace(static_cast<const char*>(blob), blob ? static_cast<std::size_t>(size) : 0);
    }
    Statement touch(db_, "update tab_0 set used = ? where keySZ = ?;");
    if (touch) {
        sqlite3_bind_int64(touch.get(), 1, ++useCounter_);
        touch.BindText(2, key);
        sqlite3_step(touch.get());
    }
    return value;
}

bool ImageCacheDatabase::Write(const std::string& key, std::string_view value) {
    std::lock_guard lock(mutex_);
    if (!db_ || value.size() > limits_.maxValueBytes) return false;
    std::size_t previous = 0;
    {
        Statement size(db_, "select length(val) from tab_0 where keySZ = ?;");
        if (!size) return false;
        size.BindText(1, key);
        if (sqlite3_step(size.get()) == SQLITE_ROW)
            previous = static_cast<std::size_t>(sqlite3_column_int64(size.get(), 0));
    }
    Statement store(db_, "insert or replace into tab_0(keySZ, val, used) values(?, ?, ?);");
    if (!store) return false;
    store.BindText(1, key);
    sqlite3_bind_blob(store.get(), 2, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
    sqlite3_bind_int64(store.get(), 3, ++useCounter_);
    if (sqlite3_step(store.get()) != SQLITE_DONE) return false;
    if (keys_.insert(key).second) previous = 0;
    bytes_ = bytes_ - std::min(bytes_, previous) + value.size();
    EvictLocked();
    return true;
}

void ImageCacheDatabase::EvictLocked() {
    while (!keys_.empty() && (keys_.size() > limits_.maxRows || bytes_ > limits_.maxBytes)) {
        std::vector<std::pair<std::string, std::size_t>> oldest;
        {
            Statement select(db_, "select keySZ, length(val) from tab_0 order by used limit 32;");
            while (select && sqlite3_step(select.get()) == SQLITE_ROW) {
                const auto* text =
                    reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0));
                oldest.emplace_back(
                    text ? std::string(text, static_cast<std::size_t>(
                                                 sqlite3_column_bytes(select.get(), 0)))
                         : std::string(),
                    static_cast<std::size_t>(sqlite3_column_int64(select.get(), 1)));
            }
        }
        if (oldest.empty()) break;
        for (const auto& [key, size] : oldest) {
            if (keys_.size() <= limits_.maxRows && bytes_ <= limits_.maxBytes) break;
            Statement remove(db_, "delete from tab_0 where keySZ = ?;");
            remove.BindText(1, key);
            if (!remove || sqlite3_step(remove.get()) != SQLITE_DONE) return;
            keys_.erase(key);
            bytes_ -= std::min(bytes_, size);
        }
    }
}

std::size_t ImageCacheDatabase::Rows() const {
    std::lock_guard lock(mutex_);
    return keys_.size();
}

std::size_t ImageCacheDatabase::Bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

namespace lumeno::server {

class DbError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One prepared statement. Statements come from the database's cache and go back to it (reset,
// bindings cleared) when this object ends.
class Statement {
  public:
    Statement(sqlite3_stmt* stmt, bool* in_use, bool owned);
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    ~Statement();

    template <typename T>
    Statement& Bind(int index, const T& value) {
        if constexpr (std::is_integral_v<T>) {
            Check(sqlite3_bind_int64(stmt_, index, static_cast<sqlite3_int64>(value)));
        } else {
            std::string_view text(value);
            Check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                    SQLITE_TRANSIENT));
        }
        return *this;
    }
    Statement& BindBlob(int index, std::string_view bytes);

    template <typename... A>
    Statement& BindAll(const A&... values) {
        int index = 1;
        (Bind(index++, values), ...);
        return *this;
    }

    // True while a row is available.
    bool Step();
    // Steps until done.
    void Run();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

  private:
    void Check(int rc) const;

    sqlite3_stmt* stmt_;
    bool* in_use_;
    bool owned_;
};

class Database {
  public:
    explicit Database(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Exec(std::string_view sql);
    Statement Prepare(const std::string& sql);
    std::int64_t LastInsertId() const;
    int Changes() const;

    template <typename... A>
    void Run(const std::string& sql, const A&... values) {
        Prepare(sql).BindAll(values...).Run();
    }

    // First column of the first row, or nothing when there is no row or it is NULL.
    template <typename... A>
    std::optional<std::int64_t> QueryInt(const std::string& sql, const A&... values) {
        Statement stmt = Prepare(sql);
        stmt.BindAll(values...);
        if (!stmt.Step() || stmt.IsNull(0)) return std::nullopt;
        return stmt.Int(0);
    }

    template <typename... A>
    std::optional<std::string> QueryText(const std::string& sql, const A&... values) {
        Statement stmt = Prepare(sql);
        stmt.BindAll(values...);
        if (!stmt.Step() || stmt.IsNull(0)) return std::nullopt;
        return stmt.Text(0);
    }

  private:
    struct Cached {
        sqlite3_stmt* stmt = nullptr;
        std::unique_ptr<bool> in_use;
    };

    sqlite3* db_ = nullptr;
    std::map<std::string, Cached> cache_;
};

// BEGIN IMMEDIATE ... COMMIT; rolls back unless committed.
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

  private:
    Database& db_;
    bool done_ = false;
};

}  // namespace lumeno::server

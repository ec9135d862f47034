#pragma once
// The image cache's database ("imagecache.db", encrypted like the account databases): values by
// key in the table "tab_0", kept from one run to the next. Its size is bounded in rows and bytes;
// the least recently used values go first. Keys are bound as statement parameters, so any key
// (quotes, any length) is stored and found again. Every statement runs under one lock: values
// are stored from worker threads while the UI thread reads.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "storage/sqlite_component.h"

class ImageCacheDatabase {
  public:
    struct Limits {
        std::size_t maxRows = 4000;
        std::size_t maxBytes = 96u * 1024 * 1024;
        std::size_t maxValueBytes = 8u * 1024 * 1024;  // larger values are not kept
    };

    ImageCacheDatabase() = default;
    ImageCacheDatabase(const ImageCacheDatabase&) = delete;
    ImageCacheDatabase& operator=(const ImageCacheDatabase&) = delete;
    ~ImageCacheDatabase();

    // Opens (creating when missing) the file; an unreadable file is replaced by an empty one.
    bool Open(const std::string& path, const std::string& key, const Limits& limits);
    void Close();
    bool IsOpen() const;

    bool Contains(const std::string& key) const;
    // The value, marked as just used; nothing when it is not stored.
    std::optional<std::string> Read(const std::string& key);
    // Stores (or replaces) the value, then drops the least recently used values beyond the
    // limits. False when nothing was stored.
    bool Write(const std::string& key, std::string_view value);

    std::size_t Rows() const;
    std::size_t Bytes() const;

  private:
    bool EnsureTable();
    void EvictLocked();

    mutable std::mutex mutex_;
    KesPtr<ISqlite> sqlite_;
    sqlite3* db_ = nullptr;
    Limits limits_;
    std::set<std::string> keys_;
    std::size_t bytes_ = 0;
    std::int64_t useCounter_ = 0;
};

#include "server/store/store.h"

#include <algorithm>

#include "server/core/clock.h"
#include "server/store/schema.h"

namespace lumeno::server {

Store::Store(const std::string& path) : db_(path) {
    if (path != ":memory:") {
        db_.Exec("PRAGMA journal_mode=WAL");
        db_.Exec("PRAGMA synchronous=NORMAL");
    }
    db_.Exec("PRAGMA foreign_keys=OFF");
    CreateSchema(db_);
    last_seq_ = db_.QueryInt("SELECT value FROM meta WHERE key='seq'").value_or(0);
    last_stamp_ts_ = db_.QueryInt("SELECT value FROM meta WHERE key='stamp_ts'").value_or(0);
    last_message_ts_ = db_.QueryInt("SELECT MAX(crtime) FROM messages").value_or(0);
}

std::int64_t Store::Now() const {
    std::int64_t frozen = frozen_at_;
    return frozen != 0 ? frozen : SystemSeconds() + clock_offset_;
}

Stamp Store::NextStamp() {
    Stamp stamp;
    stamp.ts = std::max(Now(), last_stamp_ts_);
    stamp.seq = last_seq_ + 1;
    db_.Run(
        "INSERT INTO meta(key, value) VALUES('seq', ?) "
        "ON CONFLICT(key) DO UPDATE SET value=excluded.value",
        stamp.seq);
    db_.Run(
        "INSERT INTO meta(key, value) VALUES('stamp_ts', ?) "
        "ON CONFLICT(key) DO UPDATE SET value=excluded.value",
        stamp.ts);
    last_seq_ = stamp.seq;
    last_stamp_ts_ = stamp.ts;
    return stamp;
}

std::int64_t Store::MessageTime(std::int64_t wanted) {
    last_message_ts_ = std::max(wanted, last_message_ts_);
    return last_message_ts_;
}

}  // namespace lumeno::server

#include "storage/sqlite_helper.h"

#include <sqlite3.h>

#include <thread>
#include <utility>

#include "config/log.h"
#include "platform/directories.h"
#include "platform/private_files.h"
#include "storage/database_key.h"

CSQLiteHelper& CSQLiteHelper::Instance() {
    static CSQLiteHelper helper;
    return helper;
}

CSQLiteHelper::~CSQLiteHelper() {
    CloseAccount();
}

std::string CSQLiteHelper::AccountFilePath(const std::string& accountName) const {
    const std::string folder = platform::JoinPath(platform::DataDirectory(), accountName);
    return platform::JoinPath(folder, accountName + ".db");
}

bool CSQLiteHelper::RunStatement(const std::string& sql) {
    return db_ && sqlite_ && sqlite_->Exec(db_, sql.c_str(), nullptr, nullptr) == S_OK;
}

void CSQLiteHelper::LoadTableNames() {
    tables_.clear();
    char** table = nullptr;
    int rows = 0, columns = 0;
    if (sqlite_->GetTable(db_, "SELECT tbl_name FROM sqlite_master WHERE type='table';", &table,
                          &rows, &columns, nullptr) != S_OK) {
        return;
    }
    for (int row = 1; row <= rows; ++row) {
        if (const char* name = table[row * columns]) tables_.insert(name);
    }
    sqlite_->FreeTable(table);
}

void CSQLiteHelper::CloseAccount() {
    if (!db_) return;
    ++generation_;
    sqlite3* db = std::exchange(db_, nullptr);
    tables_.clear();
    CloseWhenIdle(db);
}

void CSQLiteHelper::CloseWhenIdle(sqlite3* db) {
    if (batchesInFlight_[db] > 0) {
        closeWhenIdle_.insert(db);  // the last batch on it closes it
        return;
    }
    batchesInFlight_.erase(db);
    closeWhenIdle_.erase(db);
    sqlite_->Exec(db, "PRAGMA incremental_vacuum(0)", nullptr, nullptr);
    sqlite_->Close(db);
}

CSQLiteHelper::BatchOutcome CSQLiteHelper::RunBatch(const std::function<bool(sqlite3*)>& write,
                                                    CAsyncWorkFlow& flow) {
    const std::uint64_t generation = generation_;
    FlowSemaphore::Slot slot = writeLock_.Acquire(flow);
    sqlite3* db = db_;
    // Its account was closed while it waited.
    if (!db || generation != generation_) return BatchOutcome::kNoAccount;
    // The account may be closed (sign-out) while the batch runs on the worker: the handle then
    // stays open until the batch is back, even when its flow was cancelled meanwhile.
    struct InFlight {
        CSQLiteHelper* helper;
        sqlite3* db;
        InFlight(CSQLiteHelper* h, sqlite3* d) : helper(h), db(d) {
            ++helper->batchesInFlight_[db];
        }
        ~InFlight() {
            if (--helper->batchesInFlight_[db] == 0 && helper->closeWhenIdle_.count(db)) {
                helper->CloseWhenIdle(db);
            }
        }
    } inFlight(this, db);
    // Counted from here, before the worker picks the body up, until the body's end on the worker.
    ++writing_;
    const bool committed = PoolScope::Run(flow, [this, db, &write] {
        struct Written {
            std::atomic<int>& count;
            ~Written() { --count; }
        } written{writing_};
        // One call holds the connection for the whole batch, so that readers on the UI thread see
        // it whole or not at all.
        sqlite3_mutex* mutex = sqlite3_db_mutex(db);
        sqlite3_mutex_enter(mutex);
        bool ok = sqlite3_exec(db, "begin;", nullptr, nullptr, nullptr) == SQLITE_OK && write(db);
        if (ok) ok = sqlite3_exec(db, "commit;", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!ok && !sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
        sqlite3_mutex_leave(mutex);
        return ok;
    });
    if (committed) return BatchOutcome::kWritten;
    WriteLogText("the account database refused a batch; it was rolled back");
    return BatchOutcome::kFailed;
}

bool CSQLiteHelper::CloseForExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (writing_.load() > 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool idle = writing_.load() == 0;
    CloseAccount();
    if (!idle) return false;  // a handle still written to is left to the process's end
    for (auto& [db, count] : batchesInFlight_) {
        if (count > 0) closeWhenIdle_.insert(db);
    }
    batchesInFlight_.clear();
    for (sqlite3* db : std::exchange(closeWhenIdle_, {}))
        CloseWhenIdle(db);
    return true;
}

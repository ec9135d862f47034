#pragma once
// The account database: one encrypted file per signed-in account holding its conversation list,
// the users it knows and two synchronisation marks. It is loaded into the stores at sign-in and
// written back in batches after each synchronisation.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "flow/async_work_flow.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_component.h"
#include "storage/user_store.h"

class CSQLiteHelper {
  public:
    static CSQLiteHelper& Instance();
    ~CSQLiteHelper();

    // Opens (or keeps open) the database of `accountName` in its folder of the data directory,
    // creating folder, file, tables and indexes as needed. False leaves the client without a
    // database: loads give nothing and saves do nothing.
    bool OpenAccount(const std::string& accountName);
    // The same, with the file's opening and key derivation (a deliberately slow step) on a worker.
    bool OpenAccount(const std::string& accountName, CAsyncWorkFlow& flow);
    // Gives free pages back to the file and closes it.
    void CloseAccount();
    // At exit: waits (at most `limit`) until no batch is writing on a worker, then closes every
    // handle, also those whose batch will never come back to the UI thread. True when no write
    // was still running.
    bool CloseForExit(std::chrono::milliseconds limit);
    bool IsOpen() const { return db_ != nullptr; }

    void LoadConversations(CDBMsgDlg& store);
    void LoadUsers(UserMap& users);
    // Copies the setting row `id` (0 newest message, 1 last list synchronisation); leaves the
    // outputs unchanged when there is no such row.
    void LoadSetting(int id, std::int32_t& number, std::string& text);

    // Batch writes: the rows are copied on the UI thread and written on a worker in one
    // transaction with bound parameters, under the write lock, one batch at a time. A batch that
    // fails is rolled back whole.
    // A setting row (0 newest message, 1 last list synchronisation) written with a batch.
    struct SettingRow {
        int id = 0;
        std::int32_t number = 0;
        std::string text;
    };
    // How a batch ended.
    enum class BatchOutcome {
        kWritten,    // committed, or nothing to write
        kFailed,     // the file refused it (full disk, read-only folder): rolled back whole
        kNoAccount,  // no database, or its account was closed meanwhile: nothing was written
    };
    // `settings` are written in the same transaction, after the conversations: a mark never
    // claims data that did not reach the file.
    BatchOutcome SaveConversations(const CDBMsgDlg& store, const std::vector<std::int32_t>& ids,
                                   CAsyncWorkFlow& flow, std::vector<SettingRow> settings = {});
    BatchOutcome SaveUsers(const UserMap& users, CAsyncWorkFlow& flow);
    void SaveSetting(int id, std::int32_t number, const std::string& text);

    // Generic helpers.
    bool TableExists(const std::string& name) const { return tables_.count(name) != 0; }
    bool RunStatement(const std::string& sql);
    std::string AccountFilePath(const std::string& accountName) const;
    sqlite3* Handle() const { return db_; }

  private:
    CSQLiteHelper() = default;
    void LoadTableNames();
    void EnsureSchema();
    // Runs `write` on a worker inside one transaction under the write lock; a write that fails is
    // rolled back whole, and said so.
    // A batch started for one account never writes into another: when the account was closed
    // (and perhaps another opened) while the batch waited for the lock, it writes nothing.
    BatchOutcome RunBatch(const std::function<bool(sqlite3*)>& write, CAsyncWorkFlow& flow);
    bool FinishOpen();

    // Closes a handle once no batch runs on it any more.
    void CloseWhenIdle(sqlite3* db);

    sqlite3* db_ = nullptr;
    std::uint64_t generation_ = 0;  // counts opens and closes
    KesPtr<ISqlite> sqlite_;
    std::map<sqlite3*, int> batchesInFlight_;  // batches that still use a handle
    std::atomic<int> writing_{0};              // batch bodies queued to or running on workers
    std::set<sqlite3*> closeWhenIdle_;         // handles closed while a batch used them
    std::set<std::string> tables_;
    FlowSemaphore writeLock_{1};
};

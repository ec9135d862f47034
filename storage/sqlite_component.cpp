#include "storage/sqlite_component.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/private_files.h"

namespace {

bool FileExists(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0;
}

// "<path>.unreadable-20261209-101112" (with a number when that name is taken).
std::string AsideName(const std::string& path) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string name = path + ".unreadable-" + stamp;
    for (int n = 2; FileExists(name.c_str()); ++n) {
        name = path + ".unreadable-" + stamp + "-" + std::to_string(n);
    }
    return name;
}

// Cipher pages of new files. Larger pages make writes about twice as fast; a file keeps the size
// it was made with, so files written with the library's default size (another client, an older
// build) are opened with that size instead.
enum class CipherPages { kLarge, kLibraryDefault };

int OpenKeyed(const char* path, sqlite3** handle, const void* key, int keyLength,
              CipherPages pages = CipherPages::kLarge) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path, &db) != SQLITE_OK) {
        sqlite3_close(db);
        return SQLITE_ERROR;
    }
    // Another connection may be finishing a write (an account closed while its last batch runs).
    sqlite3_busy_timeout(db, 10000);
    if (key && keyLength > 0) {
        sqlite3_key(db, key, keyLength);
        if (pages == CipherPages::kLarge) {
            sqlite3_exec(db, "PRAGMA cipher_page_size = 4096;", nullptr, nullptr, nullptr);
        }
    }
    *handle = db;
    return SQLITE_OK;
}

// The first statement reads the file: it tells a wrong key (or damage) from a busy file.
int CheckReadable(sqlite3* db) {
    return sqlite3_exec(db, "select * from sqlite_master", nullptr, nullptr, nullptr);
}

bool Unreadable(int check) {
    return check == SQLITE_NOTADB || check == SQLITE_CORRUPT;
}

// Moves the file aside together with its journals: a hot journal left at the old name would be
// applied to the fresh file that takes its place.
bool MoveAside(const std::string& path) {
    const std::string aside = AsideName(path);
    if (std::rename(path.c_str(), aside.c_str()) != 0) return false;
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const std::string journal = path + suffix;
        if (FileExists(journal.c_str())) std::rename(journal.c_str(), (aside + suffix).c_str());
    }
    return true;
}

}  // namespace

// Each connection keeps its own cache: a shared cache would make a second connection to a file
// (an account signed in again while its last batch still runs) fail with "locked" instead of
// waiting.
CKesSqlite::CKesSqlite() = default;

HRESULT CKesSqlite::Open(const char* path, sqlite3** handle, const void* key, int keyLength) {
    if (!path || !handle) return E_FAIL;
    const bool existed = FileExists(path);
    sqlite3* db = nullptr;
    if (OpenKeyed(path, &db, key, keyLength) != SQLITE_OK) return E_FAIL;
    platform::MakeFilePrivate(path);
    *handle = db;
    if (!existed) return S_OK;
    int check = CheckReadable(db);
    if (check == SQLITE_OK) return S_OK;
    if (Unreadable(check) && key && keyLength > 0) {
        // Perhaps the right key at the library's default page size.
        sqlite3_close(db);
        *handle = nullptr;
        if (OpenKeyed(path, &db, key, keyLength, CipherPages::kLibraryDefault) != SQLITE_OK) {
            return E_FAIL;
        }
        *handle = db;
        check = CheckReadable(db);
        if (check == SQLITE_OK) return S_OK;
    }
    if (!Unreadable(check)) {
        // Busy or locked is not unreadable: the file stays as it is.
        sqlite3_close(db);
        *handle = nullptr;
        return E_FAIL;
    }
    // Another key, another machine, or damage: keep the file for whoever wants it back, start
    // again with an empty database.
    sqlite3_close(db);
    *handle = nullptr;
    if (!MoveAside(path)) return E_FAIL;
    if (OpenKeyed(path, &db, key, keyLength) != SQLITE_OK) return E_FAIL;
    platform::MakeFilePrivate(path);
    *handle = db;
    return S_OK;
}

HRESULT CKesSqlite::Close(sqlite3* handle) {
    return sqlite3_close(handle) == SQLITE_OK ? S_OK : E_FAIL;
}

HRESULT CKesSqlite::Exec(sqlite3* handle, const char* sql, RowCallback callback, void* context) {
    char* error = nullptr;
    int result = sqlite3_exec(handle, sql, callback, context, &error);
    if (result == SQLITE_OK) return S_OK;
    sqlite3_free(error);
    return E_FAIL;
}

HRESULT CKesSqlite::GetTable(sqlite3* handle, const char* sql, char*** table, int* rows,
                             int* columns, char** error) {
    return sqlite3_get_table(handle, sql, table, rows, columns, error) == SQLITE_OK ? S_OK : E_FAIL;
}

HRESULT CKesSqlite::FreeTable(char** table) {
    sqlite3_free_table(table);
    return S_OK;
}

HRESULT CKesSqlite::Free(void* pointer) {
    sqlite3_free(pointer);
    return S_OK;
}

HRESULT CKesSqlite::PutBlob(sqlite3* handle, const char* sql, int index, const void* data,
                            int length) {
    if (!handle || !sql || !data) return E_FAIL;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return E_FAIL;
    }
    bool ok = sqlite3_bind_blob(statement, index, data, length, SQLITE_STATIC) == SQLITE_OK &&
              sqlite3_step(statement) == SQLITE_DONE;
    if (sqlite3_finalize(statement) != SQLITE_OK) ok = false;
    return ok ? S_OK : E_FAIL;
}

HRESULT CKesSqlite::GetBlob(sqlite3* handle, const char* sql, int column,
                            CKesBinaryBuffer* buffer) {
    if (!sql || !buffer) return E_FAIL;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return E_FAIL;
    }
    bool ok = false;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        const void* blob = sqlite3_column_blob(statement, column);
        int length = sqlite3_column_bytes(statement, column);
        if (blob && length > 0) {
            if (std::uint8_t* storage = buffer->SetSize(static_cast<std::size_t>(length))) {
                std::memcpy(storage, blob, static_cast<std::size_t>(length));
                ok = true;
            }
        }
    }
    if (sqlite3_finalize(statement) != SQLITE_OK) ok = false;
    return ok ? S_OK : E_FAIL;
}

const ComponentRecord kStorageComponentTable[] = {
    ComponentTableHeader(),
    ComponentEntry<CKesSqlite>(u"CKesSqlite", true),
    ComponentTableEnd(),
};

#pragma once
// The component through which encrypted SQLite files are opened, keyed, checked, scripted,
// queried and closed. Handles belong to the callers; the component holds nothing else.

#include <cstddef>
#include <cstdint>

#include "util/binary_buffer.h"
#include "util/component_registry.h"

struct sqlite3;

class ISqlite : public IKesPlugin {
  public:
    using RowCallback = int (*)(void* context, int columns, char** values, char** names);

    // Opens (creating when missing) and keys the file. An existing file that cannot be read with
    // the key (not a database to it, or damaged) is moved aside under a time-stamped name and an
    // empty database takes its place; a file that is only busy is left alone and the open fails.
    virtual HRESULT Open(const char* path, sqlite3** handle, const void* key, int keyLength) = 0;
    virtual HRESULT Close(sqlite3* handle) = 0;
    // Runs a script of one or more statements.
    virtual HRESULT Exec(sqlite3* handle, const char* sql, RowCallback callback, void* context) = 0;
    virtual HRESULT GetTable(sqlite3* handle, const char* sql, char*** table, int* rows,
                             int* columns, char** error) = 0;
    virtual HRESULT FreeTable(char** table) = 0;
    virtual HRESULT Free(void* pointer) = 0;
    // Runs a statement with one blob parameter at `index` (1-based).
    virtual HRESULT PutBlob(sqlite3* handle, const char* sql, int index, const void* data,
                            int length) = 0;
    // Copies the blob in `column` of the first result row into `buffer`; an empty blob or no row
    // fails and leaves the buffer as it was.
    virtual HRESULT GetBlob(sqlite3* handle, const char* sql, int column,
                            CKesBinaryBuffer* buffer) = 0;
};

class CKesSqlite : public CKesPluginBase<CKesSqlite, 80, ISqlite> {
  public:
    CKesSqlite();

    HRESULT Open(const char* path, sqlite3** handle, const void* key, int keyLength) override;
    HRESULT Close(sqlite3* handle) override;
    HRESULT Exec(sqlite3* handle, const char* sql, RowCallback callback, void* context) override;
    HRESULT GetTable(sqlite3* handle, const char* sql, char*** table, int* rows, int* columns,
                     char** error) override;
    HRESULT FreeTable(char** table) override;
    HRESULT Free(void* pointer) override;
    HRESULT PutBlob(sqlite3* handle, const char* sql, int index, const void* data,
                    int length) override;
    HRESULT GetBlob(sqlite3* handle, const char* sql, int column,
                    CKesBinaryBuffer* buffer) override;
};

// The table that registers the components of this folder.
extern const ComponentRecord kStorageComponentTable[];

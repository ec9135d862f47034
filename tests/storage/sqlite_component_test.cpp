// Opening, keying and checking encrypted files; blobs; scripts.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "storage_test_env.h"

namespace {

namespace fs = std::filesystem;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

class SqliteComponentTest : public lumeno::test::StorageTest {
  protected:
    sqlite3* Open(const std::string& path, const std::string& key) {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite_->Open(path.c_str(), &db, key.data(), static_cast<int>(key.size())), S_OK);
        return db;
    }
    int Count(sqlite3* db, const char* sql) {
        char** table = nullptr;
        int rows = 0, columns = 0;
        if (sqlite_->GetTable(db, sql, &table, &rows, &columns, nullptr) != S_OK) return -1;
        int value = rows > 0 ? std::atoi(table[columns]) : -1;
        sqlite_->FreeTable(table);
        return value;
    }
};

TEST_F(SqliteComponentTest, NewFileIsCreatedEncryptedAndReadableOnlyWithItsKey) {
    const std::string path = dir_ / "a.db";
    sqlite3* db = Open(path, "key-one");
    ASSERT_NE(db, nullptr);
    ASSERT_EQ(
        sqlite_->Exec(db, "create table t(x text); insert into t values('plain secret text');",
                      nullptr, nullptr),
        S_OK);
    EXPECT_EQ(sqlite_->Close(db), S_OK);
    const std::string raw = Bytes(path);
    EXPECT_GT(raw.size(), 0u);
    EXPECT_EQ(raw.find("SQLite format 3"), std::string::npos);
    EXPECT_EQ(raw.find("plain secret text"), std::string::npos);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    db = Open(path, "key-one");
    EXPECT_EQ(Count(db, "select count(*) from t"), 1) << "the same key reads it back";
    sqlite_->Close(db);
}

TEST_F(SqliteComponentTest, FileUnreadableWithTheKeyIsMovedAsideNotDestroyed) {
    const std::string path = dir_ / "b.db";
    sqlite3* db = Open(path, "old machine");
    sqlite_->Exec(db, "create table t(x); insert into t values(42);", nullptr, nullptr);
    sqlite_->Close(db);

    db = Open(path, "new machine");
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(Count(db, "select count(*) from sqlite_master"), 0) << "an empty database";
    sqlite_->Close(db);

    std::string aside;
    for (const auto& entry : fs::directory_iterator(dir_.Path())) {
        if (entry.path().filename().string().rfind("b.db.unreadable-", 0) == 0)
            aside = entry.path();
    }
    ASSERT_FALSE(aside.empty()) << "the old file was kept";
    db = Open(aside, "old machine");
    EXPECT_EQ(Count(db, "select x from t"), 42) << "and can still be read with its own key";
    sqlite_->Close(db);
}

TEST_F(SqliteComponentTest, FileAtTheLibrarysDefaultPageSizeIsReadNotMovedAside) {
    const std::string path = dir_ / "default-pages.db";
    const std::string key = "the right key";
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    sqlite3_key(raw, key.data(), static_cast<int>(key.size()));
    ASSERT_EQ(
        sqlite3_exec(raw, "create table t(x); insert into t values(7);", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(raw);

    sqlite3* db = Open(path, key);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(Count(db, "select x from t"), 7) << "written by another client, read as it is";
    sqlite_->Close(db);
    for (const auto& entry : fs::directory_iterator(dir_.Path()))
        EXPECT_EQ(entry.path().filename().string().find("unreadable"), std::string::npos);
}

TEST_F(SqliteComponentTest, FileBusyWithAnotherWriterIsWaitedForNotReplaced) {
    const std::string path = dir_ / "busy.db";
    sqlite3* writer = Open(path, "k");
    ASSERT_EQ(
        sqlite_->Exec(writer, "create table t(x); insert into t values(1);", nullptr, nullptr),
        S_OK);
    ASSERT_EQ(sqlite_->Exec(writer, "begin exclusive; insert into t values(2);", nullptr, nullptr),
              S_OK);
    std::thread finish([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite_->Exec(writer, "commit;", nullptr, nullptr);
    });
    sqlite3* reader = Open(path, "k");  // waits for the commit
    finish.join();
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(Count(reader, "select count(*) from t"), 2);
    for (const auto& entry : fs::directory_iterator(dir_.Path())) {
        EXPECT_EQ(entry.path().filename().string().find("unreadable"), std::string::npos);
    }
    sqlite_->Close(reader);
    sqlite_->Close(writer);
}

TEST_F(SqliteComponentTest, GarbageFileIsReplacedAndOpenRejectsNullArguments) {
    const std::string path = dir_ / "c.db";
    std::ofstream(path) << "this is not a database at all, just text in a file";
    sqlite3* db = Open(path, "k");
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(sqlite_->Exec(db, "create table t(x);", nullptr, nullptr), S_OK);
    sqlite_->Close(db);
    EXPECT_EQ(sqlite_->Open(nullptr, &db, "k", 1), E_FAIL);
    EXPECT_EQ(sqlite_->Open(path.c_str(), nullptr, "k", 1), E_FAIL);
}

TEST_F(SqliteComponentTest, BlobsScriptsAndTheirFailures) {
    sqlite3* db = Open(dir_ / "d.db", "k");
    ASSERT_EQ(sqlite_->Exec(db,
                            "create table c(k text primary key, v blob);"
                            "insert into c values('empty', x'');",
                            nullptr, nullptr),
              S_OK);
    const std::string picture = std::string("\x89PNG\0\x01\x02", 7);
    EXPECT_EQ(sqlite_->PutBlob(db, "replace into c values('pic', ?)", 1, picture.data(),
                               static_cast<int>(picture.size())),
              S_OK);
    EXPECT_EQ(sqlite_->PutBlob(db, "replace into c values('x', ?)", 1, nullptr, 5), E_FAIL);
    EXPECT_EQ(sqlite_->PutBlob(db, "not sql ?", 1, "a", 1), E_FAIL);

    KesPtr<CKesBinaryBuffer> buffer;
    ASSERT_EQ(buffer.Get(7), S_OK);
    ASSERT_EQ(sqlite_->GetBlob(db, "select v from c where k='pic'", 0, buffer.get()), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer->Data()), buffer->Size()), picture);
    std::uint8_t* before = buffer->Data();
    EXPECT_EQ(sqlite_->GetBlob(db, "select v from c where k='empty'", 0, buffer.get()), E_FAIL);
    EXPECT_EQ(sqlite_->GetBlob(db, "select v from c where k='none'", 0, buffer.get()), E_FAIL);
    EXPECT_EQ(buffer->Data(), before);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer->Data()), buffer->Size()), picture);
    EXPECT_EQ(sqlite_->Exec(db, "select * from nosuchtable", nullptr, nullptr), E_FAIL);
    sqlite_->Close(db);
}

}  // namespace

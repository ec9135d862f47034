// The account database: file and schema, round trips of the stores, batch writes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "flow/async_work_flow.h"
#include "platform/directories.h"
#include "platform/ui_thread.h"
#include "storage/database_key.h"
#include "storage/sqlite_helper.h"
#include "storage_test_env.h"
#include "tests/support/flow_window.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class AccountDatabaseTest : public lumeno::test::StorageTest {
  protected:
    void TearDown() override { db_.CloseAccount(); }
    void InFlow(std::function<void(CAsyncWorkFlow&)> step) {
        FlowHandle handle;
        RunFlow(&handle, [&](CAsyncWorkFlow& flow) { step(flow); });
        ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 60s));
    }
    int Count(const char* sql) {
        int value = -1;
        sqlite3_exec(
            db_.Handle(), sql,
            [](void* out, int, char** values, char**) {
                *static_cast<int*>(out) = values[0] ? std::atoi(values[0]) : -1;
                return 0;
            },
            &value, nullptr);
        return value;
    }
    lumeno::test::FlowWindow window_;
    CSQLiteHelper& db_ = CSQLiteHelper::Instance();
};

TEST_F(AccountDatabaseTest, FirstOpenCreatesFolderFileTablesAndIndexesOnce) {
    EXPECT_EQ(DatabaseKey().size(), 60u);
    ASSERT_TRUE(db_.OpenAccount("10086"));
    const std::string file = platform::JoinPath(platform::DataDirectory(), "10086/10086.db");
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(Count("select count(*) from sqlite_master where type='table'"), 3);
    EXPECT_EQ(Count("select count(*) from sqlite_master where type='index' and name like 'user_%'"),
              3);
    db_.CloseAccount();
    ASSERT_TRUE(db_.OpenAccount("10086"));
    EXPECT_TRUE(db_.TableExists("messages"));
    EXPECT_EQ(Count("select count(*) from sqlite_master"), 6) << "nothing made twice";
}

TEST_F(AccountDatabaseTest, NamesThatWouldLeaveTheDataDirectoryAreRefused) {
    for (const char* name : {"", ".", "..", "a/b", "../x"})
        EXPECT_FALSE(db_.OpenAccount(name)) << name;
}

TEST_F(AccountDatabaseTest, OldMessagesTableGainsTheMissingColumn) {
    ASSERT_TRUE(db_.OpenAccount("7"));
    db_.RunStatement("DROP TABLE messages;");
    db_.RunStatement(
        "CREATE TABLE messages (_id INTEGER PRIMARY KEY, badge INTEGER DEFAULT 0, crtime INTEGER, "
        "uptime INTEGER, type INTEGER, hide_me BOOL, has_reveal BOOL, is_loadall BOOL, "
        "last_dialog_id INTEGER, last_dialog_text TEXT, last_dialog_status INTEGER DEFAULT 0, "
        "last_dialog_time INTEGER, lastdlgtimestr TEXT,sort_key INTEGER DEFAULT 0, deleted "
        "INTEGER DEFAULT 0, m_title TEXT, m_avatar TEXT, notify BOOL DEFAULT 1, in_anony "
        "BOOL DEFAULT 0, draft TEXT, latt INTEGER, qxid TEXT ,statustime TEXT, last_read_did "
        "INTEGER DEFAULT 0,mhash TEXT);");
    db_.RunStatement("INSERT INTO messages (_id, m_title) VALUES (5, 'kept');");
    db_.CloseAccount();
    ASSERT_TRUE(db_.OpenAccount("7"));
    CDBMsgDlg store;
    db_.LoadConversations(store);
    ASSERT_NE(store.FindConversation(5), nullptr);
    EXPECT_EQ(store.FindConversation(5)->name, "kept");
    EXPECT_EQ(store.FindConversation(5)->init_by_me, 0);
}

TEST_F(AccountDatabaseTest, StoresRoundTripThroughTheDatabase) {
    ASSERT_TRUE(db_.OpenAccount("42"));
    CDBMsgDlg store;
    ConversationRecord& c = store.ConversationFor(9);
    c.name = "it's \"quoted\" 名字";
    c.text = "O'Neil said '; DROP TABLE users; --";
    c.uids = "a,b,c";
    c.type = 3;
    c.badge = 4;
    c.notify = 0;
    c.last_dialog_id = 77;
    c.last_dialog_time = "2026-12-09 10:00:00";
    c.init_by_me = 1;
    UserMap users;
    UserRecord& u = users["q1"];
    u.qxid = "q1";
    u.name = "张'三";
    u.py = "zhangsan";
    u.dist = 1;
    u.utype = 1;
    u.jsondata = std::string("{\"a\":1}\0tail", 12);
    InFlow([&](CAsyncWorkFlow& flow) {
        db_.SaveConversations(store, {9, 12345}, flow);
        db_.SaveUsers(users, flow);
    });
    db_.SaveSetting(0, 1700000000, "2023-11-14 22:13:20");
    db_.SaveSetting(1, 5, "now");
    db_.CloseAccount();

    ASSERT_TRUE(db_.OpenAccount("42"));
    CDBMsgDlg loaded;
    db_.LoadConversations(loaded);
    ASSERT_EQ(loaded.Loaded().size(), 1u);
    const ConversationRecord* back = loaded.FindConversation(9);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->name, c.name);
    EXPECT_EQ(back->text, c.text);
    EXPECT_EQ(back->member_ids, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(back->notify, 0);
    EXPECT_EQ(back->last_dialog_id, 77);
    EXPECT_EQ(back->init_by_me, 1);
    UserMap loadedUsers;
    db_.LoadUsers(loadedUsers);
    ASSERT_EQ(loadedUsers.count("q1"), 1u);
    EXPECT_EQ(loadedUsers["q1"].name, "张'三");
    EXPECT_EQ(loadedUsers["q1"].contact, 1);
    EXPECT_EQ(loadedUsers["q1"].jsondata, u.jsondata) << "kept whole, NUL included";
    std::int32_t stamp = -1;
    std::string text = "unchanged";
    db_.LoadSetting(0, stamp, text);
    EXPECT_EQ(stamp, 1700000000);
    EXPECT_EQ(text, "2023-11-14 22:13:20");
    db_.LoadSetting(5, stamp, text);
    EXPECT_EQ(stamp, 1700000000) << "no such row: outputs untouched";
}

TEST_F(AccountDatabaseTest, SmallerLaterBatchKeepsEveryOtherUser) {
    ASSERT_TRUE(db_.OpenAccount("43"));
    UserMap many, one;
    for (int i = 0; i < 50; ++i)
        many["u" + std::to_string(i)].name = "n" + std::to_string(i);
    one["u7"].name = "renamed";
    InFlow([&](CAsyncWorkFlow& flow) {
        db_.SaveUsers(many, flow);
        db_.SaveUsers(one, flow);
    });
    UserMap loaded;
    db_.LoadUsers(loaded);
    EXPECT_EQ(loaded.size(), 50u);
    EXPECT_EQ(loaded["u7"].name, "renamed");
    EXPECT_EQ(loaded["u8"].name, "n8");
}

TEST_F(AccountDatabaseTest, ConcurrentBatchesRunOneAtATimeAndReadersSeeWholeBatches) {
    ASSERT_TRUE(db_.OpenAccount("44"));
    constexpr int kBatches = 6, kUsers = 3000;
    std::vector<UserMap> batches(kBatches);
    for (int b = 0; b < kBatches; ++b) {
        for (int i = 0; i < kUsers; ++i) {
            batches[b]["b" + std::to_string(b) + "u" + std::to_string(i)].name = "x";
        }
    }
    FlowHandle handles[kBatches];
    for (int b = 0; b < kBatches; ++b) {
        RunFlow(&handles[b], [&, b](CAsyncWorkFlow& flow) { db_.SaveUsers(batches[b], flow); });
    }
    std::set<int> seenCounts;
    ASSERT_TRUE(platform::PumpMessagesUntil(
        [&] {
            seenCounts.insert(Count("select count(*) from users"));
            for (auto& handle : handles) {
                if (handle.Busy()) return false;
            }
            return true;
        },
        120s));
    for (int count : seenCounts)
        EXPECT_EQ(count % kUsers, 0) << "saw a half-written batch: " << count;
    EXPECT_EQ(Count("select count(*) from users"), kBatches * kUsers);
}

TEST_F(AccountDatabaseTest, FailedBatchIsRolledBackAndLaterBatchesStillLand) {
    ASSERT_TRUE(db_.OpenAccount("45"));
    db_.RunStatement("DROP TABLE messages;");  // the next conversation batch fails half way
    CDBMsgDlg store;
    store.ConversationFor(1).name = "lost";
    UserMap users;
    users["a"].name = "kept";
    InFlow([&](CAsyncWorkFlow& flow) {
        db_.SaveConversations(store, {1}, flow);
        db_.SaveUsers(users, flow);
    });
    EXPECT_EQ(sqlite3_get_autocommit(db_.Handle()), 1) << "no transaction left open";
    EXPECT_EQ(Count("select count(*) from users"), 1);
}

TEST_F(AccountDatabaseTest, SignOutDuringABatchClosesAfterIt) {
    ASSERT_TRUE(db_.OpenAccount("46"));
    UserMap users;
    for (int i = 0; i < 20000; ++i)
        users["u" + std::to_string(i)].name = "x";
    FlowHandle handle;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) { db_.SaveUsers(users, flow); });
    CAsyncWorkFlow::CancelFlow(&handle);  // sign-out cancels the jobs...
    db_.CloseAccount();                   // ...and closes while the batch runs on a worker
    EXPECT_FALSE(db_.IsOpen());
    platform::PumpMessagesUntil([] { return false; }, 500ms);
    ASSERT_TRUE(db_.OpenAccount("46"));
    UserMap loaded;
    db_.LoadUsers(loaded);
    EXPECT_TRUE(loaded.empty() || loaded.size() == users.size());
}

TEST_F(AccountDatabaseTest, BatchWaitingAtSignOutNeverWritesIntoTheNextAccount) {
    ASSERT_TRUE(db_.OpenAccount("48"));
    // Another thread holds the connection, so the first batch stays on its worker holding the
    // write lock, and the second waits for the lock.
    std::atomic<bool> release{false}, holding{false};
    std::thread holder([db = db_.Handle(), &release, &holding] {
        sqlite3_mutex_enter(sqlite3_db_mutex(db));
        holding = true;
        while (!release)
            std::this_thread::sleep_for(1ms);
        sqlite3_mutex_leave(sqlite3_db_mutex(db));
    });
    while (!holding)
        std::this_thread::sleep_for(1ms);
    CDBMsgDlg first, second;
    first.ConversationFor(1).name = "first account";
    second.ConversationFor(2).name = "first account too";
    FlowHandle a, b;
    RunFlow(&a, [&](CAsyncWorkFlow& flow) { db_.SaveConversations(first, {1}, flow); });
    RunFlow(&b, [&](CAsyncWorkFlow& flow) { db_.SaveConversations(second, {2}, flow); });
    db_.CloseAccount();  // sign-out; the next account signs in at once
    ASSERT_TRUE(db_.OpenAccount("49"));
    release = true;
    holder.join();
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !a.Busy() && !b.Busy(); }, 60s));
    EXPECT_EQ(Count("select count(*) from messages"), 0) << "nothing of account 48 in 49";
    db_.CloseAccount();
    ASSERT_TRUE(db_.OpenAccount("48"));
    EXPECT_EQ(Count("select count(*) from messages where _id=1"), 1) << "the running batch landed";
}

TEST_F(AccountDatabaseTest, MarksAreWrittenInTheBatchOfTheirConversations) {
    ASSERT_TRUE(db_.OpenAccount("50"));
    CDBMsgDlg store;
    store.ConversationFor(3).name = "c";
    db_.RunStatement("DROP TABLE messages;");  // the conversations cannot be written
    InFlow([&](CAsyncWorkFlow& flow) {
        db_.SaveConversations(store, {3}, flow, {{0, 1700000000, "2023-11-14 22:13:20"}});
    });
    EXPECT_EQ(Count("select count(*) from setting"), 0) << "no mark without its data";
    db_.RunStatement(
        "CREATE TABLE messages (_id INTEGER PRIMARY KEY, badge, crtime, uptime, type, hide_me, "
        "has_reveal, is_loadall, last_dialog_id, last_dialog_text, last_dialog_status, "
        "last_dialog_time, lastdlgtimestr, sort_key, deleted, m_title, m_avatar, notify, "
        "in_anony, draft, latt, qxid, statustime, last_read_did, mhash, initbyme);");
    InFlow([&](CAsyncWorkFlow& flow) {
        db_.SaveConversations(store, {3}, flow, {{0, 1700000000, "2023-11-14 22:13:20"}});
    });
    EXPECT_EQ(Count("select s_int from setting where _id=0"), 1700000000);
    EXPECT_EQ(Count("select count(*) from messages"), 1);
}

TEST_F(AccountDatabaseTest, ExitLetsTheRunningWriteFinishThenClosesEveryHandle) {
    ASSERT_TRUE(db_.OpenAccount("51"));
    UserMap users;
    for (int i = 0; i < 20000; ++i)
        users["u" + std::to_string(i)].name = "x";
    FlowHandle handle;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) { db_.SaveUsers(users, flow); });
    CAsyncWorkFlow::CancelFlow(&handle);  // exit cancels the jobs; the loop does not run again
    EXPECT_TRUE(db_.CloseForExit(60s));
    EXPECT_FALSE(db_.IsOpen());
    ASSERT_TRUE(db_.OpenAccount("51"));
    EXPECT_EQ(Count("select count(*) from users"), 20000) << "the write that ran was finished";
}

TEST_F(AccountDatabaseTest, SignInOpensTheFileAndDerivesItsKeyOnAWorker) {
    FlowHandle handle;
    bool opened = false;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) { opened = db_.OpenAccount("52", flow); });
    EXPECT_FALSE(db_.IsOpen()) << "the UI thread went on while the key was derived";
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !handle.Busy(); }, 60s));
    EXPECT_TRUE(opened);
    EXPECT_TRUE(db_.IsOpen());

    // Cancelled while its file opens: nothing is left open, and the next sign-in opens it.
    db_.CloseAccount();
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) { db_.OpenAccount("52", flow); });
    CAsyncWorkFlow::CancelFlow(&handle);
    platform::PumpMessagesUntil([] { return false; }, 1s);
    EXPECT_FALSE(db_.IsOpen());
    EXPECT_TRUE(db_.OpenAccount("52"));
}

TEST_F(AccountDatabaseTest, SavingIdsThatAreNotInTheStoreRunsNothing) {
    ASSERT_TRUE(db_.OpenAccount("47"));
    CDBMsgDlg store;
    InFlow([&](CAsyncWorkFlow& flow) { db_.SaveConversations(store, {1, 2, 3}, flow); });
    EXPECT_EQ(Count("select count(*) from messages"), 0);
}

}  // namespace

// Saving 10,000 users and 1,000 conversations through the account database's batch writers, as
// a ratio to bare prepared inserts of the same rows in one transaction on the same encrypted
// engine; and loading them back at sign-in. Measured in this run.
#include <sqlite3.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "flow/async_work_flow.h"
#include "storage/database_key.h"
#include "storage/sqlite_component.h"
#include "storage/sqlite_helper.h"
#include "tests/support/flow_window.h"
#include "util/small_components.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Fill(UserMap& users, CDBMsgDlg& store, std::vector<std::int32_t>& ids) {
    for (int i = 0; i < 10000; ++i) {
        UserRecord& u = users["q" + std::to_string(100000 + i)];
        u.qxid = "q" + std::to_string(100000 + i);
        u.id = 100000 + i;
        u.name = "用户 " + std::to_string(i);
        u.py = "yonghu" + std::to_string(i);
        u.avatar = "http://127.0.0.1/files/avatar/" + std::to_string(i) + ".png";
        u.career = "云帆科技 产品经理";
        u.dist = 1 + i % 3;
        u.utype = 1;
    }
    for (int i = 0; i < 1000; ++i) {
        ConversationRecord& c = store.ConversationFor(1000 + i);
        c.name = "会话 " + std::to_string(i);
        c.text = "最近的一条消息 it's here";
        c.uids = "q100001,q100002,q100003";
        c.last_dialog_time = "2026-12-09 10:00:00";
        c.type = i % 5 == 0 ? 3 : 1;
        ids.push_back(1000 + i);
    }
}

// The same rows inserted with prepared statements, one transaction, no flows.
double BareInserts(const std::string& path, const UserMap& users, const CDBMsgDlg& store) {
    const std::string key = DatabaseKey();
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_key(db, key.data(), static_cast<int>(key.size()));
    sqlite3_exec(
        db,
        "PRAGMA cipher_page_size = 4096; PRAGMA synchronous = 0;"
        "CREATE TABLE users (_id INTEGER PRIMARY KEY, uid INTEGER, qxid TEXT, pinyin TEXT,"
        " name TEXT, avatar TEXT, career TEXT, judge INTEGER, gender INTEGER, utype INTEGER,"
        " dist INTEGER, sort_key INTEGER, anony BOOL, iconpath TEXT, jsondata TEXT);"
        "CREATE UNIQUE INDEX user_index ON users (qxid);"
        "CREATE TABLE messages (_id INTEGER PRIMARY KEY, name TEXT, text TEXT, uids TEXT,"
        " time TEXT, type INTEGER);",
        nullptr, nullptr, nullptr);
    auto start = Clock::now();
    sqlite3_exec(db, "begin;", nullptr, nullptr, nullptr);
    sqlite3_stmt* user = nullptr;
    sqlite3_prepare_v2(db, "insert into users values(NULL,?,?,?,?,?,?,0,0,?,?,0,0,'','')", -1,
                       &user, nullptr);
    for (const auto& [qxid, u] : users) {
        sqlite3_bind_int(user, 1, u.id);
        sqlite3_bind_text(user, 2, qxid.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(user, 3, u.py.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(user, 4, u.name.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(user, 5, u.avatar.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(user, 6, u.career.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int(user, 7, u.utype);
        sqlite3_bind_int(user, 8, u.dist);
        sqlite3_step(user);
        sqlite3_reset(user);
    }
    sqlite3_finalize(user);
    sqlite3_stmt* conversation = nullptr;
    sqlite3_prepare_v2(db, "insert into messages values(?,?,?,?,?,?)", -1, &conversation, nullptr);
    for (const auto& [id, c] : store.Conversations()) {
        sqlite3_bind_int(conversation, 1, id);
        sqlite3_bind_text(conversation, 2, c->name.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(conversation, 3, c->text.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(conversation, 4, c->uids.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(conversation, 5, c->last_dialog_time.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int(conversation, 6, c->type);
        sqlite3_step(conversation);
        sqlite3_reset(conversation);
    }
    sqlite3_finalize(conversation);
    sqlite3_exec(db, "commit;", nullptr, nullptr, nullptr);
    double elapsed = Milliseconds(start);
    sqlite3_close(db);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string home = std::filesystem::temp_directory_path() / "lumeno-bench-storage";
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    QCoreApplication app(argc, argv);
    lumeno::test::FlowWindow window;
    RegisterComponentTable(kUtilComponentTable);
    RegisterComponentTable(kStorageComponentTable);
    GetComponent(kInitializeRegistry, static_cast<IKesPlugin**>(nullptr));

    UserMap users;
    CDBMsgDlg store;
    std::vector<std::int32_t> ids;
    Fill(users, store, ids);

    const double bare = BareInserts(home + "/bare.db", users, store);

    CSQLiteHelper& database = CSQLiteHelper::Instance();
    database.OpenAccount("bench");
    auto start = Clock::now();
    FlowHandle handle;
    RunFlow(&handle, [&](CAsyncWorkFlow& flow) {
        database.SaveUsers(users, flow);
        database.SaveConversations(store, ids, flow);
    });
    while (handle.Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double batches = Milliseconds(start);
    database.CloseAccount();

    start = Clock::now();
    database.OpenAccount("bench");
    UserMap loadedUsers;
    CDBMsgDlg loaded;
    database.LoadUsers(loadedUsers);
    database.LoadConversations(loaded);
    const double load = Milliseconds(start);
    database.CloseAccount();

    std::printf("10,000 users + 1,000 conversations, encrypted\n");
    std::printf("bare prepared inserts, one transaction: %7.1f ms\n", bare);
    std::printf("account database batch writers:         %7.1f ms  ratio %.2f\n", batches,
                batches / bare);
    std::printf(
        "open and load at sign-in:                %7.1f ms  ratio %.2f (%zu users, %zu "
        "conversations)\n",
        load, load / bare, loadedUsers.size(), loaded.Conversations().size());
    CAsyncWorkFlow::ReleaseFreeFibers();
    std::filesystem::remove_all(home);
    return 0;
}

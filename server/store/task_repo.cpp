#include "server/store/task_repo.h"

#include <string>

namespace lumeno::server {
namespace {

const char* const kColumns =
    "id, owner_id, type, from_id, other_id, mid, jid, attach, level, done, crtime";

TaskRow ReadTask(const Statement& s) {
    TaskRow t;
    t.id = s.Int(0);
    t.owner_id = s.Int(1);
    t.type = static_cast<int>(s.Int(2));
    t.from_id = s.Int(3);
    t.other_id = s.Int(4);
    t.mid = s.Int(5);
    t.jid = s.Int(6);
    t.attach = s.Text(7);
    t.level = static_cast<int>(s.Int(8));
    t.done = static_cast<int>(s.Int(9));
    t.crtime = s.Int(10);
    return t;
}

}  // namespace

std::int64_t InsertTask(Database& db, const TaskRow& t) {
    db.Run(
        "INSERT INTO tasks(owner_id, type, from_id, other_id, mid, jid, attach, level, done, "
        "crtime, updated) VALUES(?,?,?,?,?,?,?,?,?,?,?)",
        t.owner_id, t.type, t.from_id, t.other_id, t.mid, t.jid, t.attach, t.level, t.done,
        t.crtime, t.crtime);
    return db.LastInsertId();
}

std::optional<TaskRow> FindTask(Database& db, std::int64_t id) {
    Statement s = db.Prepare(std::string("SELECT ") + kColumns + " FROM tasks WHERE id=?");
    s.Bind(1, id);
    if (!s.Step()) return std::nullopt;
    return ReadTask(s);
}

std::vector<TaskRow> ListTasks(Database& db, std::int64_t owner, bool open_only, int offset,
                               int limit) {
    std::vector<TaskRow> rows;
    Statement s = db.Prepare(std::string("SELECT ") + kColumns +
                             " FROM tasks WHERE owner_id=? AND (?=0 OR done=0) "
                             "ORDER BY crtime DESC, id DESC LIMIT ? OFFSET ?");
    s.BindAll(owner, open_only ? 1 : 0, limit, offset);
    while (s.Step())
        rows.push_back(ReadTask(s));
    return rows;
}

int CountTasks(Database& db, std::int64_t owner, bool open_only) {
    return static_cast<int>(
        db.QueryInt("SELECT COUNT(*) FROM tasks WHERE owner_id=? AND (?=0 OR done=0)", owner,
                    open_only ? 1 : 0)
            .value_or(0));
}

void SetTaskState(Database& db, std::int64_t id, int done, std::int64_t now) {
    db.Run("UPDATE tasks SET done=?, updated=? WHERE id=?", done, now, id);
}

std::optional<TaskRow> FindOpenRequest(Database& db, std::int64_t from, std::int64_t owner) {
    Statement s = db.Prepare(std::string("SELECT ") + kColumns +
                             " FROM tasks WHERE from_id=? AND owner_id=? AND type IN (1,4) "
                             "AND done=0 ORDER BY id DESC LIMIT 1");
    s.BindAll(from, owner);
    if (!s.Step()) return std::nullopt;
    return ReadTask(s);
}

void CompleteOpenRequests(Database& db, std::int64_t from, std::int64_t owner, std::int64_t now) {
    db.Run(
        "UPDATE tasks SET done=?, updated=? WHERE from_id=? AND owner_id=? AND type IN (1,4) AND "
        "done=0",
        kTaskCompleted, now, from, owner);
}

}  // namespace lumeno::server

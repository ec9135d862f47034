#include "server/store/conversation_repo.h"

namespace lumeno::server {
namespace {

const char* const kMemberColumns =
    "mid, user_id, position, joined_did, left_did, deleted, last_read_did, me_is_anony, "
    "status_ts, status_seq, read_ts";

MemberRow ReadMember(const Statement& s) {
    MemberRow m;
    m.mid = s.Int(0);
    m.user_id = s.Int(1);
    m.position = static_cast<int>(s.Int(2));
    m.joined_did = s.Int(3);
    m.left_did = s.Int(4);
    m.deleted = static_cast<int>(s.Int(5));
    m.last_read_did = s.Int(6);
    m.me_is_anony = static_cast<int>(s.Int(7));
    m.status_ts = s.Int(8);
    m.status_seq = s.Int(9);
    m.read_ts = s.Int(10);
    return m;
}

}  // namespace

std::optional<ConversationRow> FindConversation(Database& db, std::int64_t id) {
    Statement s = db.Prepare(
        "SELECT id, type, name, creator_id, crtime, max_cnt, restricted FROM conversations "
        "WHERE id=?");
    s.Bind(1, id);
    if (!s.Step()) return std::nullopt;
    ConversationRow c;
    c.id = s.Int(0);
    c.type = static_cast<int>(s.Int(1));
    c.name = s.Text(2);
    c.creator_id = s.Int(3);
    c.crtime = s.Int(4);
    c.max_cnt = static_cast<int>(s.Int(5));
    c.restricted = static_cast<int>(s.Int(6));
    return c;
}

std::int64_t CreateConversation(Database& db, const ConversationRow& c) {
    if (c.id > 0) {
        db.Run(
            "INSERT INTO conversations(id, type, name, creator_id, crtime, max_cnt, "
            "restricted) VALUES(?,?,?,?,?,?,?)",
            c.id, c.type, c.name, c.creator_id, c.crtime, c.max_cnt, c.restricted);
        return c.id;
    }
    db.Run(
        "INSERT INTO conversations(type, name, creator_id, crtime, max_cnt, restricted) "
        "VALUES(?,?,?,?,?,?)",
        c.type, c.name, c.creator_id, c.crtime, c.max_cnt, c.restricted);
    return db.LastInsertId();
}

void RenameConversation(Database& db, std::int64_t id, const std::string& name) {
    db.Run("UPDATE conversations SET name=? WHERE id=?", name, id);
}

std::optional<MemberRow> FindMember(Database& db, std::int64_t mid, std::int64_t user) {
    Statement s = db.Prepare(std::string("SELECT ") + kMemberColumns +
                             " FROM members WHERE mid=? AND user_id=?");
    s.BindAll(mid, user);
    if (!s.Step()) return std::nullopt;
    return ReadMember(s);
}

std::vector<MemberRow> ActiveMembers(Database& db, std::int64_t mid) {
    std::vector<MemberRow> rows;
    Statement s = db.Prepare(std::string("SELECT ") + kMemberColumns +
                             " FROM members WHERE mid=? AND left_did=0 ORDER BY position");
    s.Bind(1, mid);
    while (s.Step())
        rows.push_back(ReadMember(s));
    return rows;
}

void AddMember(Database& db, std::int64_t mid, std::int64_t user, std::int64_t joined_did,
               const Stamp* stamp, int me_is_anony) {
    std::int64_t position =
        db.QueryInt("SELECT IFNULL(MAX(position), -1) + 1 FROM members WHERE mid=?", mid)
            .value_or(0);
    std::int64_t ts = stamp ? stamp->ts : 0;
    std::int64_t seq = stamp ? stamp->seq : 0;
    db.Run(
        "INSERT INTO members(mid, user_id, position, joined_did, me_is_anony, status_ts, "
        "status_seq, read_ts, last_read_did) VALUES(?,?,?,?,?,?,?,?,?) "
        "ON CONFLICT(mid, user_id) DO UPDATE SET joined_did=excluded.joined_did, left_did=0, "
        "deleted=0, position=excluded.position, status_ts=excluded.status_ts, "
        "status_seq=excluded.status_seq, last_read_did=excluded.last_read_did",
        mid, user, position, joined_did, me_is_anony, ts, seq, ts, joined_did);
}

void StampMember(Database& db, std::int64_t mid, std::int64_t user, const Stamp& stamp) {
    db.Run("UPDATE members SET status_ts=?, status_seq=? WHERE mid=? AND user_id=?", stamp.ts,
           stamp.seq, mid, user);
}

void StampActiveMembers(Database& db, std::int64_t mid, const Stamp& stamp) {
    db.Run("UPDATE members SET status_ts=?, status_seq=? WHERE mid=? AND left_did=0", stamp.ts,
           stamp.seq, mid);
}

void LeaveConversation(Database& db, std::int64_t mid, std::int64_t user, std::int64_t left_did,
                       const Stamp& stamp) {
    db.Run(
        "UPDATE members SET left_did=?, deleted=1, status_ts=?, status_seq=? "
        "WHERE mid=? AND user_id=?",
        left_did < 1 ? 1 : left_did, stamp.ts, stamp.seq, mid, user);
}

void SetMemberDeleted(Database& db, std::int64_t mid, std::int64_t user, int deleted,
                      const Stamp& stamp) {
    db.Run("UPDATE members SET deleted=?, status_ts=?, status_seq=? WHERE mid=? AND user_id=?",
           deleted, stamp.ts, stamp.seq, mid, user);
}

void SetLastRead(Database& db, std::int64_t mid, std::int64_t user, std::int64_t last_read_did,
                 std::int64_t now) {
    db.Run("UPDATE members SET last_read_did=?, read_ts=? WHERE mid=? AND user_id=?", last_read_did,
           now, mid, user);
}

std::optional<std::int64_t> FindDirectConversation(Database& db, std::int64_t a, std::int64_t b) {
    return db.QueryInt(
        "SELECT c.id FROM conversations c "
        "JOIN members x ON x.mid=c.id AND x.user_id=? "
        "JOIN members y ON y.mid=c.id AND y.user_id=? "
        "WHERE c.type=? ORDER BY c.id LIMIT 1",
        a, b, kDirectConversation);
}

std::optional<std::int64_t> FindGroupWithMembers(Database& db, std::int64_t user,
                                                 const std::set<std::int64_t>& members) {
    Statement s = db.Prepare(
        "SELECT c.id FROM conversations c JOIN members m ON m.mid=c.id AND m.user_id=? "
        "AND m.left_did=0 WHERE c.type=? AND (SELECT COUNT(*) FROM members a WHERE a.mid=c.id "
        "AND a.left_did=0)=? ORDER BY c.id");
    s.BindAll(user, kGroupConversation, static_cast<std::int64_t>(members.size()));
    std::vector<std::int64_t> candidates;
    while (s.Step())
        candidates.push_back(s.Int(0));
    for (std::int64_t mid : candidates) {
        std::set<std::int64_t> have;
        for (const MemberRow& m : ActiveMembers(db, mid))
            have.insert(m.user_id);
        if (have == members) return mid;
    }
    return std::nullopt;
}

}  // namespace lumeno::server

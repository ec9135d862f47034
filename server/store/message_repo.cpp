#include "server/store/message_repo.h"

#include <algorithm>

namespace lumeno::server {

const char* const kMessageColumns =
    "m.id, m.mid, m.sender_id, m.type, m.text, m.msghash, m.crtime, m.anonym, m.atuids, "
    "m.file_type, m.file_key, m.xsize, m.ysize, m.duration, m.ref_user, m.jid";

void ReadMessageRow(const Statement& s, int c, MessageRow& m) {
    m.id = s.Int(c++);
    m.mid = s.Int(c++);
    m.sender_id = s.Int(c++);
    m.type = static_cast<int>(s.Int(c++));
    m.text = s.Text(c++);
    m.msghash = s.Text(c++);
    m.crtime = s.Int(c++);
    m.anonym = static_cast<int>(s.Int(c++));
    m.atuids = s.Text(c++);
    m.file_type = static_cast<int>(s.Int(c++));
    m.file_key = s.Text(c++);
    m.xsize = static_cast<int>(s.Int(c++));
    m.ysize = static_cast<int>(s.Int(c++));
    m.duration = static_cast<int>(s.Int(c++));
    m.ref_user = s.Int(c++);
    m.jid = s.Int(c);
}

namespace {

std::optional<MessageRow> One(Statement& s) {
    if (!s.Step()) return std::nullopt;
    MessageRow m;
    ReadMessageRow(s, 0, m);
    return m;
}

}  // namespace

std::int64_t InsertMessage(Store& store, MessageRow& m) {
    m.crtime = store.MessageTime(m.crtime);
    Database& db = store.Db();
    db.Run(
        "INSERT INTO messages(mid, sender_id, type, text, msghash, crtime, anonym, atuids, "
        "file_type, file_key, xsize, ysize, duration, ref_user, jid) "
        "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        m.mid, m.sender_id, m.type, m.text, m.msghash, m.crtime, m.anonym, m.atuids, m.file_type,
        m.file_key, m.xsize, m.ysize, m.duration, m.ref_user, m.jid);
    m.id = db.LastInsertId();
    return m.id;
}

std::optional<MessageRow> FindMessage(Database& db, std::int64_t id) {
    Statement s =
        db.Prepare(std::string("SELECT ") + kMessageColumns + " FROM messages m WHERE id=?");
    s.Bind(1, id);
    return One(s);
}

std::optional<MessageRow> FindByHash(Database& db, std::int64_t mid, std::int64_t sender,
                                     const std::string& msghash) {
    Statement s = db.Prepare(std::string("SELECT ") + kMessageColumns +
                             " FROM messages m WHERE mid=? AND sender_id=? AND msghash=? "
                             "AND msghash != '' ORDER BY id LIMIT 1");
    s.BindAll(mid, sender, msghash);
    return One(s);
}

bool Visible(const MemberRow& member, std::int64_t did) {
    return did > member.joined_did && (member.left_did == 0 || did <= member.left_did);
}

std::optional<MessageRow> NewestVisible(Database& db, const MemberRow& member) {
    std::int64_t upper = member.left_did == 0 ? INT64_MAX : member.left_did;
    Statement s = db.Prepare(std::string("SELECT ") + kMessageColumns +
                             " FROM messages m WHERE mid=? AND id>? AND id<=? "
                             "ORDER BY id DESC LIMIT 1");
    s.BindAll(member.mid, member.joined_did, upper);
    return One(s);
}

std::vector<MessageRow> VisibleBefore(Database& db, const MemberRow& member, std::int64_t before_id,
                                      std::int64_t upper, int limit) {
    std::int64_t top = member.left_did == 0 ? upper : std::min(upper, member.left_did);
    if (before_id > 0) top = std::min(top, before_id - 1);
    std::vector<MessageRow> rows;
    Statement s = db.Prepare(std::string("SELECT ") + kMessageColumns +
                             " FROM messages m WHERE mid=? AND id>? AND id<=? "
                             "ORDER BY id DESC LIMIT ?");
    s.BindAll(member.mid, member.joined_did, top, limit);
    while (s.Step()) {
        MessageRow m;
        ReadMessageRow(s, 0, m);
        rows.push_back(std::move(m));
    }
    return rows;
}

int CountUnread(Database& db, const MemberRow& member) {
    std::int64_t upper = member.left_did == 0 ? INT64_MAX : member.left_did;
    std::int64_t from = std::max(member.last_read_did, member.joined_did);
    return static_cast<int>(
        db.QueryInt("SELECT COUNT(*) FROM messages WHERE mid=? AND id>? AND id<=? "
                    "AND sender_id!=? AND type!=99",
                    member.mid, from, upper, member.user_id)
            .value_or(0));
}

bool HasReplyFromOthers(Database& db, std::int64_t mid, std::int64_t creator) {
    return db
        .QueryInt("SELECT 1 FROM messages WHERE mid=? AND sender_id!=? AND type!=99 LIMIT 1", mid,
                  creator)
        .has_value();
}

bool AudioPlayed(Database& db, std::int64_t user, std::int64_t did) {
    return db.QueryInt("SELECT 1 FROM audio_played WHERE user_id=? AND did=?", user, did)
        .has_value();
}

void MarkAudioPlayed(Database& db, std::int64_t user, std::int64_t did) {
    db.Run("INSERT OR IGNORE INTO audio_played(user_id, did) VALUES(?,?)", user, did);
}

std::int64_t MaxMessageId(Database& db) {
    return db.QueryInt("SELECT MAX(id) FROM messages").value_or(0);
}

std::int64_t MaxMessageIdUpTo(Database& db, std::int64_t ts) {
    return db.QueryInt("SELECT MAX(id) FROM messages WHERE crtime<=?", ts).value_or(0);
}

}  // namespace lumeno::server

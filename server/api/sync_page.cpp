#include "server/api/sync_page.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "server/api/api_error.h"
#include "server/api/conversation_view.h"
#include "server/api/message_view.h"
#include "server/api/task_view.h"
#include "server/core/clock.h"
#include "server/store/conversation_repo.h"
#include "server/store/message_repo.h"
#include "server/store/task_repo.h"

namespace lumeno::server {
namespace {

// Marks at or before this moment are a client's initial values: nothing merged yet.
std::int64_t InitialMarkLimit() {
    static const std::int64_t limit = ParseTimeText("2000-01-02 00:00:00").value_or(0);
    return limit;
}

struct ConvStatus {
    std::int64_t mid = 0;
    std::int64_t ts = 0;
    std::int64_t seq = 0;
};

bool StatusAfter(std::int64_t ts, std::int64_t seq, const ConvStatus& limit) {
    return ts > limit.ts || (ts == limit.ts && seq > limit.seq);
}

std::vector<ConvStatus> ChangedConversations(Database& db, std::int64_t user, std::int64_t after_ts,
                                             std::int64_t after_seq, bool skip_deleted, int limit) {
    std::vector<ConvStatus> rows;
    Statement s = db.Prepare(
        "SELECT mid, status_ts, status_seq FROM members WHERE user_id=? AND status_ts>0 AND "
        "(status_ts>? OR (status_ts=? AND status_seq>?)) AND (?=0 OR deleted=0) "
        "ORDER BY status_ts, status_seq LIMIT ?");
    s.BindAll(user, after_ts, after_ts, after_seq, skip_deleted ? 1 : 0, limit);
    while (s.Step())
        rows.push_back({s.Int(0), s.Int(1), s.Int(2)});
    return rows;
}

// Messages visible to the user with ids above the cursor, oldest first. The message table
// drives the join so that a page reads about as many rows as it returns.
std::vector<MessageRow> NewMessages(Database& db, std::int64_t user, std::int64_t cursor,
                                    int limit) {
    std::vector<MessageRow> rows;
    Statement s = db.Prepare(std::string("SELECT ") + kMessageColumns +
                             " FROM messages m CROSS JOIN members mb ON mb.mid=m.mid AND "
                             "mb.user_id=? WHERE m.id>? AND m.id>mb.joined_did AND mb.deleted=0 "
                             "AND (mb.left_did=0 OR m.id<=mb.left_did) ORDER BY m.id LIMIT ?");
    s.BindAll(user, cursor, limit);
    while (s.Step()) {
        MessageRow m;
        ReadMessageRow(s, 0, m);
        rows.push_back(std::move(m));
    }
    return rows;
}

Json::Value Specials(Viewer& viewer) {
    Database& db = viewer.db();
    std::int64_t user = viewer.me().id;
    int open = CountTasks(db, user, true);
    std::vector<TaskRow> newest = ListTasks(db, user, true, 0, 1);
    std::int64_t ts = TasksTime(db, user);
    Json::Value s(Json::objectValue);
    s["uptime"] = TimeText(ts);
    s["uptimestamp"] = static_cast<int>(ts);
    s["title"] = "待处理事项";
    s["text"] = newest.empty() ? "暂无待处理事项" : TaskTitle(viewer, newest.front());
    s["badge"] = open;
    return s;
}

}  // namespace

Json::Value SyncPage(Call& call, Viewer& viewer, const SyncQuery& q) {
    Store& store = call.service.store();
    Database& db = store.Db();
    const std::int64_t user = viewer.me().id;
    const std::int64_t now = store.Now();
    const int count = std::clamp<int>(q.count, 1, call.service.config().max_page);
    const std::uint64_t generation = store.News().Generation(user);
    SyncMarks marks = LoadSyncMarks(db, user);

    // Conversations whose status changed after the client's status mark.
    std::int64_t t_mark = ParseTimeText(q.after_m_time).value_or(0);
    bool first_conv_sync = t_mark <= InitialMarkLimit();
    std::int64_t t_seq =
        (t_mark == marks.conv_ts && marks.conv_ts > 0) ? marks.conv_seq : INT64_MAX;
    std::vector<ConvStatus> convs =
        ChangedConversations(db, user, t_mark, t_seq, first_conv_sync, count + 1);
    bool msg_hasmore = static_cast<int>(convs.size()) > count;
    if (msg_hasmore) convs.resize(static_cast<size_t>(count));
    std::set<std::int64_t> page_convs;
    for (const ConvStatus& c : convs)
        page_convs.insert(c.mid);

    // Messages after the client's message cursor: its newest id, or else its time mark.
    std::int64_t s_mark = ParseTimeText(q.after_d_time).value_or(0);
    bool first_msg_sync = s_mark <= InitialMarkLimit();
    std::int64_t cursor = 0;
    if (q.after_did > 0)
        cursor = q.after_did;
    else if (first_msg_sync)
        cursor =
            MaxMessageIdUpTo(db, now - std::int64_t{86400} * call.service.config().first_sync_days);
    else if (s_mark == marks.dlg_ts && marks.dlg_ts > 0)
        cursor = marks.dlg_id;
    else
        cursor = MaxMessageIdUpTo(db, s_mark);
    const std::int64_t newest_id = MaxMessageId(db);
    std::vector<MessageRow> candidates = NewMessages(db, user, cursor, count + 1);
    std::vector<MessageRow> delivered;
    bool blocked = false;
    for (MessageRow& m : candidates) {
        if (static_cast<int>(delivered.size()) == count) break;
        if (msg_hasmore && !page_convs.count(m.mid)) {
            std::optional<MemberRow> member = FindMember(db, m.mid, user);
            if (member && StatusAfter(member->status_ts, member->status_seq, convs.back())) {
                blocked = true;  // its conversation comes with a later page
                break;
            }
        }
        delivered.push_back(std::move(m));
    }
    bool dlg_hasmore = blocked || static_cast<int>(candidates.size()) > count;

    // Per-member read states that changed since the previous answer, and those of the
    // conversations that got messages.
    std::int64_t previous_answer = ParseTimeText(q.last_c_time).value_or(0);
    bool first_answer = previous_answer <= InitialMarkLimit();
    std::set<std::int64_t> read_changes;
    for (const MessageRow& m : delivered)
        read_changes.insert(m.mid);
    if (!first_answer) {
        Statement s = db.Prepare("SELECT mid FROM members WHERE user_id=? AND read_ts>=?");
        s.BindAll(user, previous_answer);
        while (s.Step())
            read_changes.insert(s.Int(0));
    }

    Json::Value out = OkEnvelope();
    Json::Value conversations(Json::arrayValue);
    for (const ConvStatus& c : convs) {
        std::optional<ConversationRow> row = FindConversation(db, c.mid);
        std::optional<MemberRow> mine = FindMember(db, c.mid, user);
        if (row && mine) conversations.append(ConversationJson(viewer, *row, *mine));
    }
    Json::Value dialogues(Json::arrayValue);
    std::map<std::int64_t, std::int64_t> read_marks;
    for (const MessageRow& m : delivered) {
        auto found = read_marks.find(m.mid);
        if (found == read_marks.end()) {
            std::optional<MemberRow> mine = FindMember(db, m.mid, user);
            found = read_marks.emplace(m.mid, mine ? mine->last_read_did : 0).first;
        }
        dialogues.append(MessageJson(viewer, m, found->second));
    }
    Json::Value updates(Json::arrayValue);
    for (std::int64_t mid : read_changes)
        if (std::optional<MemberRow> mine = FindMember(db, mid, user))
            updates.append(ReadStateJson(db, *mine));
    Json::Value specials(Json::arrayValue);
    std::int64_t tasks_ts = TasksTime(db, user);
    if (tasks_ts > 0 && (first_answer || tasks_ts >= previous_answer))
        specials.append(Specials(viewer));

    out["msg_hasmore"] = msg_hasmore;
    out["dlg_hasmore"] = dlg_hasmore;
    out["msg_count"] = static_cast<int>(conversations.size());
    out["dlg_count"] = static_cast<int>(dialogues.size());
    out["nowstamp"] = static_cast<int>(now);
    out["now"] = TimeText(now);
    out["messages"] = std::move(conversations);
    out["dialogues"] = std::move(dialogues);
    out["specials"] = std::move(specials);
    out["update_msgs"] = std::move(updates);

    if (call.dry_run) return out;

    // What the client's marks will read after merging this page, and where its cursor stood.
    if (!convs.empty()) {
        marks.conv_ts = std::max(t_mark, convs.back().ts);
        marks.conv_seq = convs.back().seq;
    }
    if (!delivered.empty()) {
        marks.dlg_ts = std::max(first_msg_sync ? 0 : s_mark, delivered.back().crtime);
        marks.dlg_id = dlg_hasmore ? delivered.back().id : newest_id;
    } else {
        marks.dlg_ts = first_msg_sync ? now : s_mark;
        marks.dlg_id = dlg_hasmore ? cursor : newest_id;
    }
    marks.cursor = std::max(marks.cursor, marks.dlg_id);
    marks.synced = true;
    SaveSyncMarks(db, user, marks);
    if (!msg_hasmore && !dlg_hasmore) store.News().MarkCovered(user, generation);
    return out;
}

}  // namespace lumeno::server

#include "server/api/conversation_view.h"

#include <algorithm>
#include <vector>

#include "server/api/message_view.h"
#include "server/api/user_view.h"
#include "server/core/clock.h"
#include "server/core/crypto.h"
#include "server/core/text.h"
#include "server/store/message_repo.h"

namespace lumeno::server {
namespace {

// The other person of a one-to-one or anonymous conversation, also after they left it.
const UserRow* Peer(Viewer& viewer, std::int64_t mid) {
    Statement s = viewer.db().Prepare(
        "SELECT user_id FROM members WHERE mid=? AND user_id!=? ORDER BY left_did=0 DESC, "
        "position LIMIT 1");
    s.BindAll(mid, viewer.me().id);
    if (!s.Step()) return nullptr;
    return viewer.User(s.Int(0));
}

}  // namespace

std::string MemberQxids(Viewer& viewer, std::int64_t mid) {
    std::vector<std::string> qxids;
    for (const MemberRow& m : ActiveMembers(viewer.db(), mid))
        if (const UserRow* u = viewer.User(m.user_id)) qxids.push_back(u->qxid);
    return JoinList(qxids, ",");
}

std::string GroupTitle(Viewer& viewer, const ConversationRow& c) {
    if (!c.name.empty()) return c.name;
    std::vector<std::string> names;
    for (const MemberRow& m : ActiveMembers(viewer.db(), c.id)) {
        if (names.size() == 3) break;
        if (const UserRow* u = viewer.User(m.user_id)) names.push_back(u->name);
    }
    return names.empty() ? "群聊" : JoinList(names, "、");
}

Json::Value ConversationJson(Viewer& viewer, const ConversationRow& c, const MemberRow& mine) {
    Database& db = viewer.db();
    const UserRow& me = viewer.me();
    bool group = c.type == kGroupConversation;
    std::vector<MemberRow> members = ActiveMembers(db, c.id);
    Json::Value users(Json::arrayValue);
    std::string name;
    std::string uids;
    std::vector<std::string> member_ids;
    for (const MemberRow& m : members)
        member_ids.push_back(std::to_string(m.user_id));
    std::sort(member_ids.begin(), member_ids.end());
    if (group) {
        std::vector<std::string> qxids;
        std::vector<std::string> names;
        for (const MemberRow& m : members) {
            const UserRow* u = viewer.User(m.user_id);
            if (!u) continue;
            qxids.push_back(u->qxid);
            if (names.size() < 3) names.push_back(u->name);
            if (m.user_id != me.id) users.append(UserJson(viewer, *u));
        }
        name = !c.name.empty() ? c.name : names.empty() ? "群聊" : JoinList(names, "、");
        uids = JoinList(qxids, ",");
    } else {
        const UserRow* peer = Peer(viewer, c.id);
        name = peer ? peer->name : "";
        uids = peer ? me.qxid + "," + peer->qxid : me.qxid;
        if (peer) users.append(UserJson(viewer, *peer));
    }

    std::optional<MessageRow> newest = NewestVisible(db, mine);
    std::int64_t last_ts = newest ? newest->crtime : c.crtime;

    Json::Value j(Json::objectValue);
    j["id"] = static_cast<int>(c.id);
    j["type"] = c.type;
    j["name"] = name;
    j["uids"] = uids;
    j["me_is_anony"] = mine.me_is_anony;
    j["last_read_did"] = static_cast<int>(mine.last_read_did);
    j["has_reveal"] = 0;
    j["master_uid"] = static_cast<int>(c.creator_id);
    j["deleted"] = mine.deleted;
    j["crtimestamp"] = static_cast<int>(c.crtime);
    j["crtime"] = TimeText(c.crtime);
    j["max_cnt"] = c.max_cnt;
    j["last_dialog_timestamp"] = static_cast<int>(last_ts);
    j["last_dialog_time"] = TimeText(last_ts);
    j["has_reply"] = HasReplyFromOthers(db, c.id, c.creator_id) ? 1 : 0;
    j["badge"] = CountUnread(db, mine);
    j["init_by_me"] = c.creator_id == me.id ? 1 : 0;
    j["last_dialog_src_uid"] = newest ? static_cast<int>(newest->sender_id) : 0;
    j["status_timestamp"] = static_cast<int>(mine.status_ts);
    j["status_time"] = TimeText(mine.status_ts);
    j["mhash"] = Md5Hex(JoinList(member_ids, ","));
    j["text"] = newest ? SummaryText(viewer, *newest, group) : "";
    j["users"] = std::move(users);
    return j;
}

Json::Value ReadStateJson(Database& db, const MemberRow& mine) {
    Json::Value j(Json::objectValue);
    j["mid"] = static_cast<int>(mine.mid);
    j["count"] = CountUnread(db, mine);
    j["last_read_did"] = static_cast<int>(mine.last_read_did);
    j["deleted"] = mine.deleted;
    return j;
}

}  // namespace lumeno::server

#include <algorithm>

#include "api/conversation_changes.h"
#include "api/decoders.h"
#include "api/record_rules.h"
#include "flow/async_work_flow.h"

namespace {

struct DecodedConversation {
    bool valid = false;
    std::int32_t id = 0;
    ConversationRecord record;
    UserMap users;  // from the element's "users" array
};

DecodedConversation DecodeOne(const Json::Value& element, const std::string& myQxid) {
    DecodedConversation out;
    FlatObject o;
    if (!FlattenObject(element, o)) return out;
    out.valid = true;
    o.GetInt("id", out.id);
    ConversationRecord& c = out.record;
    o.GetText("status_time", c.status_time);
    o.GetText("mhash", c.mhash);
    o.GetText("text", c.text);
    o.GetText("last_dialog_time", c.last_dialog_time);
    o.GetText("crtime", c.crtime);
    o.GetText("uids", c.uids);
    o.GetText("name", c.name);
    o.GetFlag("me_is_anony", c.me_is_anony);
    o.GetInt("last_read_did", c.last_read_did);
    o.GetInt("has_reveal", c.has_reveal);
    o.GetInt("id", c.id);
    o.GetInt("master_uid", c.master_uid);
    o.GetInt("type", c.type);
    c.member_ids = SplitMemberIds(c.uids, c.type, myQxid);
    o.GetInt("deleted", c.deleted);
    o.GetInt("crtimestamp", c.crtimestamp);
    o.GetInt("max_cnt", c.max_cnt);
    o.GetInt("last_dialog_timestamp", c.last_dialog_timestamp);
    o.GetInt("has_reply", c.has_reply);
    o.GetInt("badge", c.badge);
    o.GetInt("init_by_me", c.init_by_me);
    o.GetInt("last_dialog_src_uid", c.last_dialog_src_uid);
    o.GetInt("status_timestamp", c.status_timestamp);
    if (const Json::Value* users = ArrayMember(element, "users")) {
        std::vector<std::string> list;
        if (DecodeUsers(*users, out.users, list) && c.type == 1) {
            c.member_ids = list;
            c.uids.clear();
            for (std::size_t i = 0; i < list.size(); ++i)
                c.uids += (i ? "," : "") + list[i];
        }
    }
    return out;
}

// The server does not know what only this client knows: keep it.
void KeepClientKnowledge(const ConversationRecord& stored, ConversationRecord& fresh) {
    fresh.notify = stored.notify;
    if (stored.last_dialog_id > fresh.last_dialog_id) {
        fresh.last_dialog_id = stored.last_dialog_id;
        if (stored.last_dialog_timestamp >= fresh.last_dialog_timestamp) {
            fresh.last_dialog_timestamp = stored.last_dialog_timestamp;
            fresh.last_dialog_time = stored.last_dialog_time;
            fresh.text = stored.text;
            fresh.display_time = stored.display_time;
        }
    }
}

// A change of the name or the people made here after the answer may have been computed: the
// answer does not undo it (the pass that the change asked for brings the service's state).
void KeepLocalChange(const ConversationRecord& stored, ConversationRecord& fresh) {
    fresh.name = stored.name;
    fresh.uids = stored.uids;
    fresh.member_ids = stored.member_ids;
    fresh.mhash = stored.mhash;
}

}  // namespace

bool DecodeConversations(const Json::Value& root, CDBMsgDlg& store,
                         std::vector<std::int32_t>& changed, UserMap& users, CAsyncWorkFlow& flow,
                         const std::string& myQxid) {
    const SyncAnswerMerge merge;
    const Json::Value* array = ArrayMember(root, "messages");
    if (!array) return false;
    const std::size_t count = array->size();
    for (std::size_t start = 0; start < count; start += kDecodeChunk) {
        const std::size_t end = std::min(count, start + kDecodeChunk);
        std::vector<DecodedConversation> decoded = PoolScope::Run(flow, [&] {
            std::vector<DecodedConversation> chunk;
            chunk.reserve(end - start);
            for (std::size_t i = start; i < end; ++i) {
                chunk.push_back(DecodeOne((*array)[static_cast<Json::ArrayIndex>(i)], myQxid));
            }
            return chunk;
        });
        for (DecodedConversation& item : decoded) {
            if (!item.valid) continue;
            changed.push_back(item.id);
            for (auto& [qxid, user] : item.users)
                users.try_emplace(qxid, std::move(user));
            if (const ConversationRecord* stored = store.FindConversation(item.id)) {
                KeepClientKnowledge(*stored, item.record);
                if (merge.MayPredateChange(item.id)) KeepLocalChange(*stored, item.record);
            }
            store.StoreConversation(item.id, item.record);
        }
    }
    return true;
}

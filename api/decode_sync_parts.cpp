#include <unordered_set>

#include "api/decoders.h"

bool DecodeSpecials(const Json::Value& root, CDBMsgDlg& store, std::vector<std::int32_t>& changed) {
    const Json::Value* array = ArrayMember(root, "specials");
    if (!array) return false;
    FlatObject o;
    for (const Json::Value& element : *array) {
        ConversationRecord local;
        local.id = kPendingItemsConversationId;
        store.ConversationFor(kPendingItemsConversationId);
        if (FlattenObject(element, o)) {
            o.GetText("uptime", local.last_dialog_time);
            o.GetText("title", local.name);
            o.GetText("text", local.text);
            o.GetInt("uptimestamp", local.last_dialog_timestamp);
            o.GetInt("badge", local.badge);
        }
        store.StoreConversation(kPendingItemsConversationId, local);
        changed.push_back(kPendingItemsConversationId);
    }
    return true;
}

bool DecodeUpdates(const Json::Value& root, CDBMsgDlg& store, std::vector<std::int32_t>& changed) {
    const Json::Value* array = ArrayMember(root, "update_msgs");
    if (!array) return false;
    std::unordered_set<std::int32_t> seen(changed.begin(), changed.end());
    FlatObject o;
    for (const Json::Value& element : *array) {
        if (!FlattenObject(element, o)) continue;
        std::int32_t count = 0, lastReadDid = 0, deleted = 0, mid = 0;
        o.GetInt("count", count);
        o.GetInt("last_read_did", lastReadDid);
        o.GetInt("deleted", deleted);
        o.GetInt("mid", mid);
        if (ConversationRecord* conversation = store.FindConversation(mid)) {
            conversation->badge = count;
            conversation->last_read_did = lastReadDid;
            conversation->deleted = deleted;
            if (lastReadDid == conversation->last_dialog_id && count > 0) conversation->badge = 0;
        }
        if (seen.insert(mid).second) changed.push_back(mid);
    }
    return true;
}

void DecodeSummary(const Json::Value& root, SyncSummary& summary, CDBMsgDlg& store) {
    // Each answer says anew whether more waits; a flag it does not give (as a boolean) is no.
    summary.msg_hasmore = 0;
    summary.dlg_hasmore = 0;
    if (root.isObject()) {
        const Json::Value& msgMore = root["msg_hasmore"];
        if (msgMore.isBool()) summary.msg_hasmore = msgMore.asBool() ? 1 : 0;
        const Json::Value& dlgMore = root["dlg_hasmore"];
        if (dlgMore.isBool()) summary.dlg_hasmore = dlgMore.asBool() ? 1 : 0;
    }
    FlatObject o;
    if (FlattenObject(root, o)) {
        o.GetText("result", summary.result);
        o.GetText("now", summary.now);
        o.GetText("error_msg", summary.error_msg);
        o.GetText("error", summary.error);
        o.GetInt("msg_count", summary.msg_count);
        o.GetInt("nowstamp", summary.nowstamp);
        o.GetInt("dlg_count", summary.dlg_count);
        o.GetInt("error_code", summary.error_code);
    }
    if (store.MaxDialogTime().text == "0") store.MaxDialogTime().text = summary.now;
}

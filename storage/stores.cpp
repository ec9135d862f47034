#include <algorithm>

#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"

CDBUser& CDBUser::Instance() {
    static CDBUser store;
    return store;
}

UserRecord* CDBUser::Find(const std::string& qxid) {
    auto found = users_.find(qxid);
    return found == users_.end() ? nullptr : &found->second;
}

void CDBUser::RebuildContactIndex() {
    contacts_.clear();
    for (auto& [qxid, user] : users_) {
        if (user.dist == 1 && user.utype == 1 && qxid != kFeedbackQxid) {
            contacts_[user.py].push_back(&user);
        }
    }
}

void CDBUser::Clear() {
    contacts_.clear();
    profiles_.clear();
    talents_.clear();
    users_.clear();
}

CDBMsgDlg& CDBMsgDlg::Instance() {
    static CDBMsgDlg store;
    return store;
}

ConversationRecord* CDBMsgDlg::FindConversation(std::int32_t id) {
    auto found = conversations_.find(id);
    return found == conversations_.end() ? nullptr : found->second.get();
}

ConversationRecord& CDBMsgDlg::ConversationFor(std::int32_t id) {
    auto& slot = conversations_[id];
    if (!slot) {
        slot = std::make_unique<ConversationRecord>();
        slot->id = id;
    }
    return *slot;
}

void CDBMsgDlg::StoreConversation(std::int32_t id, const ConversationRecord& record) {
    ConversationFor(id) = record;
}

MessageRecord* CDBMsgDlg::FindMessage(std::int32_t id) {
    auto found = messages_.find(id);
    return found == messages_.end() ? nullptr : found->second.get();
}

MessageRecord& CDBMsgDlg::AddMessage(std::int32_t id, MessageRecord record) {
    return AddMessage(id, std::make_unique<MessageRecord>(std::move(record)));
}

MessageRecord& CDBMsgDlg::AddMessage(std::int32_t id, std::unique_ptr<MessageRecord> record) {
    auto& slot = messages_[id];
    slot = std::move(record);
    return *slot;
}

MessageIndexEntry* CDBMsgDlg::FindIndexEntry(std::int32_t conversationId) {
    auto found = index_.find(conversationId);
    return found == index_.end() ? nullptr : &found->second;
}

void CDBMsgDlg::Clear() {
    order_.clear();
    loaded_.clear();
    groups_.clear();
    index_.clear();
    conversations_.clear();
    messages_.clear();
    maxDialogTime_ = SyncMark{0, "0"};
    maxStatusTime_ = SyncMark{0, kEarliestServerTime};
    largestMessageId_ = 0;
    largestConversationId_ = 0;
    summary_ = SyncSummary{};
    delivered_.clear();
    initialSyncPending_ = true;
}

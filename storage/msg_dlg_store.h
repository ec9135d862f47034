#pragma once
// Conversations and messages of the signed-in account, with the synchronisation marks. Records
// live on the heap and keep their address for as long as they are in the store, so pages may hold
// pointers to them between events.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/records.h"

// A synchronisation mark: a time stamp with its text form.
struct SyncMark {
    std::int32_t stamp = 0;
    std::string text;
};

class CDBMsgDlg {
  public:
    static CDBMsgDlg& Instance();

    ConversationRecord* FindConversation(std::int32_t id);
    // The conversation under `id`, made with initial values (and that id) when missing.
    ConversationRecord& ConversationFor(std::int32_t id);
    // Replaces every field of the stored conversation, keeping its address.
    void StoreConversation(std::int32_t id, const ConversationRecord& record);
    const std::unordered_map<std::int32_t, std::unique_ptr<ConversationRecord>>& Conversations()
        const {
        return conversations_;
    }
    // The conversation list in display order.
    std::vector<ConversationRecord*>& Order() { return order_; }

    MessageRecord* FindMessage(std::int32_t id);
    MessageRecord& AddMessage(std::int32_t id, MessageRecord record);
    const std::unordered_map<std::int32_t, std::unique_ptr<MessageRecord>>& Messages() const {
        return messages_;
    }

    SyncMark& MaxDialogTime() { return maxDialogTime_; }  // newest message seen
    SyncMark& LastCTime() { return lastCTime_; }          // last conversation-list synchronisation
    SyncSummary& Summary() { return summary_; }

    void Clear();

  private:
    std::unordered_map<std::int32_t, std::unique_ptr<ConversationRecord>> conversations_;
    std::vector<ConversationRecord*> order_;
    std::unordered_map<std::int32_t, std::unique_ptr<MessageRecord>> messages_;
    SyncMark maxDialogTime_{0, "0"};
    SyncMark lastCTime_{0, "0"};
    SyncSummary summary_;
};

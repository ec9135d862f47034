#pragma once
// Conversations and messages of the signed-in account, with the synchronisation marks. Records
// live on the heap and keep their address for as long as they are in the store, so pages may hold
// pointers to them between events.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "storage/records.h"

// A synchronisation mark: a time stamp with its text form.
struct SyncMark {
    std::int32_t stamp = 0;
    std::string text;
};

inline constexpr const char* kEarliestServerTime = "2000-01-01 10:10:10";

// Which messages of one conversation are held, newest first.
struct MessageIndexEntry {
    std::int32_t moreOnServer = 1;  // older messages may wait on the service
    std::int32_t noReader = 1;
    std::vector<std::int32_t> ids;  // descending
    std::unordered_set<std::int32_t> held;
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
    // The conversation list in display order (ids; the pending-items entry 1 first).
    std::vector<std::int32_t>& Order() { return order_; }
    // Conversations in the order they were loaded from the database.
    std::vector<std::int32_t>& Loaded() { return loaded_; }

    MessageRecord* FindMessage(std::int32_t id);
    MessageRecord& AddMessage(std::int32_t id, MessageRecord record);
    // The same for a record already on the heap (made on a worker): it is kept, not copied.
    MessageRecord& AddMessage(std::int32_t id, std::unique_ptr<MessageRecord> record);
    const std::unordered_map<std::int32_t, std::unique_ptr<MessageRecord>>& Messages() const {
        return messages_;
    }

    SyncMark& MaxDialogTime() { return maxDialogTime_; }  // newest message seen
    SyncMark& MaxStatusTime() { return maxStatusTime_; }  // newest conversation status
    std::int32_t& LargestMessageId() { return largestMessageId_; }
    std::int32_t& LargestConversationId() { return largestConversationId_; }
    SyncSummary& Summary() { return summary_; }

    // Messages the synchronisation has delivered and accounted for (announced, or taken as
    // history by the first synchronisation after sign-in); a message is announced at most once.
    std::unordered_set<std::int32_t>& Delivered() { return delivered_; }
    // True from sign-in until the first synchronisation completed: what it brings is history.
    bool& InitialSyncPending() { return initialSyncPending_; }

    std::unordered_map<std::int32_t, MessageIndexEntry>& Index() { return index_; }
    MessageIndexEntry* FindIndexEntry(std::int32_t conversationId);
    // Group conversations (type 3, not deleted) by id.
    std::map<std::int32_t, ConversationRecord*>& Groups() { return groups_; }

    void Clear();

  private:
    std::unordered_map<std::int32_t, std::unique_ptr<ConversationRecord>> conversations_;
    std::vector<std::int32_t> order_;
    std::vector<std::int32_t> loaded_;
    std::unordered_map<std::int32_t, std::unique_ptr<MessageRecord>> messages_;
    SyncMark maxDialogTime_{0, "0"};
    SyncMark maxStatusTime_{0, kEarliestServerTime};
    std::int32_t largestMessageId_ = 0;
    std::int32_t largestConversationId_ = 0;
    SyncSummary summary_;
    std::unordered_map<std::int32_t, MessageIndexEntry> index_;
    std::map<std::int32_t, ConversationRecord*> groups_;
    std::unordered_set<std::int32_t> delivered_;
    bool initialSyncPending_ = true;
};

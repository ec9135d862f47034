#pragma once
// Keeping the conversation list and the messages up to date: incremental synchronisation from the
// marks, paging, merging into the stores and the account database, the per-conversation message
// index, older messages on demand, marking a conversation read. UI thread.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "api/service_errors.h"
#include "storage/msg_dlg_store.h"

class CAsyncWorkFlow;

enum class SyncKind {
    kActiveQuery = 0,     // after sign-in and after group changes
    kLongConnection = 1,  // a push notification or a reconnection
};

// Starts a synchronisation unless one runs (a request while one runs is dropped).
void StartConversationSync(SyncKind kind);

// The query of the next page: the marks of the last answers.
std::string BuildSyncQuery(SyncKind kind);

struct MergeResult {
    bool ok = false;
    std::vector<std::int32_t> changed;      // conversations
    std::vector<std::int32_t> newMessages;  // message ids new to the index
    std::vector<std::int32_t> delivered;    // every message of the answer, in its order
};
// What the pages of one pass changed, written to the account database once, at the pass's end:
// the conversations, then the marks, in one transaction.
struct PendingSyncWrite {
    std::vector<std::int32_t> conversations;
    std::unordered_set<std::int32_t> listed;
    bool merged = false;           // at least one usable answer
    bool dialogMarkMoved = false;  // the newest-message mark moved
};

// Merges one answer into the stores and the index. Its conversations and marks are written at
// once, or, given `pending`, added to what the pass writes at its end (WriteSyncPass).
MergeResult MergeSyncAnswer(const std::string& answer, CAsyncWorkFlow& flow,
                            PendingSyncWrite* pending = nullptr);
// Writes what the pass's pages merged, with whatever an earlier pass could not write; nothing
// when none was usable. False when the file refused the write: then everything it held waits in
// UnwrittenSyncWrite for the next pass, and no mark on disk claims it.
bool WriteSyncPass(PendingSyncWrite& pending, CAsyncWorkFlow& flow);
// What the last failed write left for the next one (empty after a successful write, and after
// signing out).
PendingSyncWrite& UnwrittenSyncWrite();

// Up to `pageSize` ids of messages older than `beforeId` (0: from the newest), newest first, from
// memory, fetching 50 older messages from the service when memory cannot serve the page. True
// when the list could be filled from the index.
bool GetHistoryPage(std::int32_t conversationId, std::int32_t beforeId, int pageSize,
                    std::vector<std::int32_t>& ids, ErrorRecord* error, CAsyncWorkFlow& flow);
// The memory part of GetHistoryPage alone.
bool ServeFromIndex(std::int32_t conversationId, std::int32_t beforeId, int pageSize,
                    std::vector<std::int32_t>& ids);
// The id after `beforeId` in the conversation's index (the newest for 0), or 0.
std::int32_t NextIndexedId(std::int32_t conversationId, std::int32_t beforeId);

// Clears the conversation's unread count here and on the service.
void MarkConversationRead(std::int32_t conversationId);

// Whether an index update may move the synchronisation's marks: only the synchronisation (and
// the load at sign-in) does; a history fetch does not.
enum class IndexMarks { kAdvance, kKeep };

// The index update over changed conversations and new messages (also after loading the account
// database, with every loaded conversation). `newMessages` keeps only ids new to the index. True
// when the newest-message mark moved (the caller writes it with its data).
bool UpdateIndex(const std::vector<std::int32_t>& changed, std::vector<std::int32_t>& newMessages,
                 IndexMarks marks = IndexMarks::kAdvance);

// Tells of messages a synchronisation delivered (kind 0x10), each at most once: with `announce`
// every one not told before, without it only own sends that pair with a pending send.
void AnnounceMessages(const std::vector<std::int32_t>& delivered, bool announce);

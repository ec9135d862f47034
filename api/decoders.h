#pragma once
// Turning service answers into records and stores. Every decoder leaves a field as it was when
// its member is missing or of another kind. The array decoders read and convert their elements on
// a worker thread, a chunk at a time, and touch the stores only on the UI thread; a record enters
// a store only once it is completely decoded.

#include <json/value.h>

#include <cstdint>
#include <string>
#include <vector>

#include "api/json_access.h"
#include "storage/msg_dlg_store.h"
#include "storage/records.h"
#include "storage/user_store.h"

class CAsyncWorkFlow;

void DecodeUserFields(const FlatObject& object, UserRecord& user);
void DecodeJob(const FlatObject& object, JobRecord& job);

// Each element becomes a user unless `users` already holds its qxid (the first element of a qxid
// wins); every element's qxid is appended to `qxids`. True when the array has an element.
bool DecodeUsers(const Json::Value& array, UserMap& users, std::vector<std::string>& qxids);

// The "messages" array: conversations, stored by id, every id appended to `changed`. A stored
// conversation keeps its notification switch and the newest message it already holds.
bool DecodeConversations(const Json::Value& root, CDBMsgDlg& store,
                         std::vector<std::int32_t>& changed, UserMap& users, CAsyncWorkFlow& flow,
                         const std::string& myQxid);

// The "dialogues" array: messages not yet stored are added (a stored message never changes) and
// their ids appended to `newIds`; each raises its conversation's newest message.
// `delivered`, when given, receives the id of every readable message of the answer, whether new
// to the store or already held (fetched as history before the synchronisation brought it).
bool DecodeMessages(const Json::Value& root, CDBMsgDlg& store, std::vector<std::int32_t>& newIds,
                    CAsyncWorkFlow& flow, const std::string& myQxid,
                    std::vector<std::int32_t>* delivered = nullptr);

// The "specials" array: the pending-items conversation (id 1).
bool DecodeSpecials(const Json::Value& root, CDBMsgDlg& store, std::vector<std::int32_t>& changed);

// The "update_msgs" array: badges, read marks and deletions of stored conversations.
bool DecodeUpdates(const Json::Value& root, CDBMsgDlg& store, std::vector<std::int32_t>& changed);

// The answer's top level.
void DecodeSummary(const Json::Value& root, SyncSummary& summary, CDBMsgDlg& store);

// Elements converted per hop to a worker thread.
constexpr std::size_t kDecodeChunk = 128;

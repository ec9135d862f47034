#pragma once
// Conversations with a given set of people, and the operations of the group information window:
// adding and removing members, renaming, the notification switch, and the picture of an
// anonymous conversation. Events: (0x100, id, 2) the user left, (0x100, id, 3) removing members
// failed, (0x40, id, 2) a new name or notification switch. UI thread; the operations that talk to
// the service run inside the caller's work flow.

#include <cstdint>
#include <string>
#include <vector>

#include "api/service_errors.h"
#include "storage/records.h"

class CAsyncWorkFlow;

// The id of the conversation with exactly these people (the signed-in user aside), from the store
// or from the service, which makes it when needed; 0 on failure (`error` then holds the
// service's account). A stored conversation that was deleted is not reused.
std::int32_t GetConversationId(ErrorRecord* error, bool anonymous, CAsyncWorkFlow& flow,
                               const std::vector<std::string>& memberQxids);

// A group gains the members and is synchronised again; a one-to-one conversation becomes the
// conversation of its member and the new ones.
bool AddMembers(std::int32_t id, ErrorRecord* error, CAsyncWorkFlow& flow,
                const std::vector<std::string>& qxids);
// The members leave the stored group as soon as the service agreed, and it is synchronised again.
// A synchronisation answer that may predate a change made here does not undo it.
bool RemoveMembers(std::int32_t id, ErrorRecord* error, bool leaving, CAsyncWorkFlow& flow,
                   const std::vector<std::string>& qxids);
// False without a request when the name is empty or the current one.
bool RenameConversation(ErrorRecord* error, std::int32_t id, const std::string& name,
                        CAsyncWorkFlow& flow);
// Sets the notification switch and writes the conversation; null when there is none. Switching
// again while the write runs writes once more afterwards, so the database ends as the store.
ConversationRecord* SetNotify(std::int32_t id, bool on);
// Waits until the conversations that SetNotify changed are written.
void WaitConversationWrites(CAsyncWorkFlow& flow);
// The skin picture of an anonymous one-to-one conversation's member.
bool AnonymousAvatarPath(const ConversationRecord* conversation, std::string& path);

// Groups to which only their creator adds members: two built-in ids and "group"/"mid" of the
// settings.
bool IsRestrictedGroup(std::int32_t id);
bool MayAddMembers(std::int32_t id);

// The pieces, for tests.
std::string ConversationIdQuery(const std::vector<std::string>& memberQxids);
// Reads a get_mid (or member change) answer into the store: a new conversation, or the stored
// one updated in place. Its id, 0 when the answer has none.
std::int32_t DecodeNewConversation(const std::string& answer,
                                   const std::vector<std::string>& memberQxids);

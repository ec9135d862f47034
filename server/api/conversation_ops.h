#pragma once

#include <cstdint>
#include <string>

#include "server/store/conversation_repo.h"
#include "server/store/message_repo.h"
#include "server/store/store.h"

namespace lumeno::server {

// A system notice (type 99) in a conversation, such as "A invited B". Returns its id.
std::int64_t PostNotice(Store& store, std::int64_t mid, std::int64_t actor,
                        const std::string& text);

// Tells every active member's push connections that something is waiting.
void BumpActiveMembers(Store& store, std::int64_t mid);

// Stores a message and tells the conversation's active members. Returns its id.
std::int64_t DeliverMessage(Store& store, MessageRow& row);

// Brings a member back into a conversation they deleted, with a new status stamp.
void ReactivateMember(Database& db, std::int64_t mid, std::int64_t user, const Stamp& stamp);

// The conversation a member may write to, or error 10002 / 10003.
struct WritableConversation {
    ConversationRow conversation;
    MemberRow member;
};
WritableConversation RequireMembership(Database& db, std::int64_t mid, std::int64_t user,
                                       bool must_be_active);

}  // namespace lumeno::server

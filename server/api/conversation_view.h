#pragma once

#include <json/json.h>

#include <string>

#include "server/api/viewer.h"
#include "server/store/conversation_repo.h"

namespace lumeno::server {

// One "messages" element: the conversation as this member sees it, with complete user objects
// of the other members.
Json::Value ConversationJson(Viewer& viewer, const ConversationRow& conversation,
                             const MemberRow& mine);

// One "update_msgs" element: {mid, count, last_read_did, deleted}.
Json::Value ReadStateJson(Database& db, const MemberRow& mine);

// A group's name, or the names of its first members when it has none.
std::string GroupTitle(Viewer& viewer, const ConversationRow& conversation);
// The qxids of the active members joined with ",".
std::string MemberQxids(Viewer& viewer, std::int64_t mid);

}  // namespace lumeno::server

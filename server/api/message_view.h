#pragma once

#include <json/json.h>

#include <string>

#include "server/api/viewer.h"
#include "server/store/message_repo.h"

namespace lumeno::server {

// One "dialogues" element as the viewer sees it. `last_read_did` is the viewer's read mark in
// the message's conversation.
Json::Value MessageJson(Viewer& viewer, const MessageRow& message, std::int64_t last_read_did);

// The line a conversation list shows for its newest message.
std::string SummaryText(Viewer& viewer, const MessageRow& message, bool in_group);

bool IsJobType(int type);

}  // namespace lumeno::server

#pragma once

#include <json/json.h>

#include "server/api/viewer.h"
#include "server/store/task_repo.h"

namespace lumeno::server {

// One "requests" element of the pending-items list, with its buttons and confirmation.
Json::Value TaskJson(Viewer& viewer, const TaskRow& task);

// The line the pending-items entry of the conversation list shows for a task.
std::string TaskTitle(Viewer& viewer, const TaskRow& task);

// "<dref v=QXID >name</dref>": a person link in a task's rich text.
std::string PersonLink(const std::string& qxid, const std::string& name);

}  // namespace lumeno::server

#pragma once

#include <json/json.h>

#include "server/api/viewer.h"

namespace lumeno::server {

// The contact detail answer: "card", "tags", "areas" and "button". Contact details are only
// given to the person themselves and to friends.
Json::Value ProfileAnswer(Viewer& viewer, const UserRow& person);

// The job-seeker card of the talent detail answer.
Json::Value TalentAnswer(Viewer& viewer, const UserRow& person);

// The try_add answer: whether the person can be asked and which friends both have.
Json::Value TryAddAnswer(Viewer& viewer, const UserRow& person);

}  // namespace lumeno::server

#pragma once

#include <json/json.h>

#include <cstdint>
#include <string>

#include "server/api/service.h"
#include "server/api/viewer.h"

namespace lumeno::server {

// The marks a client sends with get_msg_dlg, echoed from its earlier answers.
struct SyncQuery {
    std::string after_d_time;  // creation time of the newest message it merged ("0": none yet)
    std::string last_c_time;   // "now" of the previous answer
    std::string after_m_time;  // newest status time of the conversations it merged
    std::int32_t after_mid = 0;
    std::int32_t after_did = 0;  // newest message id it holds; 0 asks by time instead
    std::int32_t count = 200;
};

// One page of a synchronisation. Conversations come in the order of their status changes and
// messages in id order, each after a cursor built from the client's marks and what the user's
// previous page ended at, so that pages never skip or repeat anything even when many changes
// share one second. A message is only sent once its conversation has been sent or is known to
// the client. Must run under the store lock, inside a transaction.
Json::Value SyncPage(Call& call, Viewer& viewer, const SyncQuery& query);

}  // namespace lumeno::server

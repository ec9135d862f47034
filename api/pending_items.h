#pragma once
// Pending items: the list of what waits for the user (friend requests, recommendations, job and
// résumé offers), and the two answers the user can give, complete and ignore. Progress is told
// through events: (0x200, 0, 1/2/3) for the list, (0x400, id, 2) ignored, (0x800, id, 2)
// completed (also for each other request of the same person that accepting one answered),
// (0x800, id, 3) completing it in the background failed, (0x1000, user id, 2) a completed
// friend request brought the new contact's card. Each accepted answer lowers the count of the
// pending-items conversation at once, by the items it answered, and posts (0x40, 1, 2).
// UI thread.

#include <cstdint>
#include <string>
#include <vector>

#include <json/value.h>

#include "api/service_errors.h"
#include "storage/specials_store.h"

class CAsyncWorkFlow;

// Items per page of the list; pages are fetched until the service says nothing more is waiting.
constexpr int kPendingItemsPage = 50;
constexpr int kMaxPendingItemPages = 20;

// Starts the list refresh unless it runs. When it fails, the service's account of the failure
// (code 0 when there was no usable answer) is kept under kind 0x200 (the controller's
// LastErrorOf) until the next refresh starts.
void RefreshPendingItems();
std::vector<std::int32_t> PendingItemIds();
const PendingItem* FindPendingItem(std::int32_t id);

bool CompleteItem(ErrorRecord* error, std::int32_t type, std::int32_t id, std::int32_t level,
                  const std::string& attach, CAsyncWorkFlow& flow);
// The same from a profile window, as its own job. A failure is left under kind 0x800 (the
// controller's LastErrorOf) and announced as (0x800, id, 3), so that the window that asked can
// say so.
void CompleteItemInBackground(std::int32_t type, std::int32_t id, std::int32_t level,
                              const std::string& attach);
bool IgnoreItem(ErrorRecord* error, std::int32_t type, std::int32_t id, CAsyncWorkFlow& flow);

// The pieces, for tests.
std::string CompleteItemUrl(std::int32_t type, std::int32_t id, std::int32_t level);
// One page of the list: false when the answer is not an "ok" object with a "requests" array.
bool DecodePendingPage(const Json::Value& root, std::vector<PendingItem>& items, bool& hasMore);
// Fills date, link pieces and link value from uptime and rtext.
void DeriveItemTexts(PendingItem& item);

#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "server/store/db.h"

namespace lumeno::server {

// Pending-item types as the service numbers them.
inline constexpr int kTaskLevelRequest = 1;    // a contact asks for another friend level
inline constexpr int kTaskProfileViews = 2;    // who looked at the profile (no answer possible)
inline constexpr int kTaskRecommendation = 3;  // someone asks to be passed on to a contact
inline constexpr int kTaskFriendRequest = 4;
inline constexpr int kTaskJobOffer = 5;
inline constexpr int kTaskGroupInvitation = 6;
inline constexpr int kTaskCompleteProfile = 10000;

inline constexpr int kTaskOpen = 0;
inline constexpr int kTaskCompleted = 1;
inline constexpr int kTaskIgnored = 2;

struct TaskRow {
    std::int64_t id = 0;
    std::int64_t owner_id = 0;
    int type = 0;
    std::int64_t from_id = 0;   // the person the item is about
    std::int64_t other_id = 0;  // the contact a recommendation is for
    std::int64_t mid = 0;       // the group of an invitation
    std::int64_t jid = 0;       // the job of an offer
    std::string attach;         // the requester's message
    int level = 1;
    int done = kTaskOpen;
    std::int64_t crtime = 0;
};

std::int64_t InsertTask(Database& db, const TaskRow& task);
std::optional<TaskRow> FindTask(Database& db, std::int64_t id);
// Newest first; `offset` and `limit` page through them.
std::vector<TaskRow> ListTasks(Database& db, std::int64_t owner, bool open_only, int offset,
                               int limit);
int CountTasks(Database& db, std::int64_t owner, bool open_only);
void SetTaskState(Database& db, std::int64_t id, int done, std::int64_t now);
std::optional<TaskRow> FindOpenRequest(Database& db, std::int64_t from, std::int64_t owner);
// Marks every open friend or level request from `from` to `owner` completed (once one of them
// was accepted, the others are answered by it).
void CompleteOpenRequests(Database& db, std::int64_t from, std::int64_t owner, std::int64_t now);

}  // namespace lumeno::server

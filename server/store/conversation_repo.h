#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "server/store/db.h"
#include "server/store/store.h"

namespace lumeno::server {

// Conversation types as the service numbers them.
inline constexpr int kAnonymousConversation = 1;
inline constexpr int kDirectConversation = 2;
inline constexpr int kGroupConversation = 3;
inline constexpr int kGroupSizeLimit = 200;

struct ConversationRow {
    std::int64_t id = 0;
    int type = kDirectConversation;
    std::string name;
    std::int64_t creator_id = 0;
    std::int64_t crtime = 0;
    int max_cnt = 2;
    int restricted = 0;
};

// One member's view of a conversation. A member who left sees messages up to left_did;
// a member sees no message older than joined_did.
struct MemberRow {
    std::int64_t mid = 0;
    std::int64_t user_id = 0;
    int position = 0;
    std::int64_t joined_did = 0;
    std::int64_t left_did = 0;
    int deleted = 0;
    std::int64_t last_read_did = 0;
    int me_is_anony = 0;
    std::int64_t status_ts = 0;
    std::int64_t status_seq = 0;
    std::int64_t read_ts = 0;

    bool Active() const { return left_did == 0; }
};

std::optional<ConversationRow> FindConversation(Database& db, std::int64_t id);
std::int64_t CreateConversation(Database& db, const ConversationRow& row);
void RenameConversation(Database& db, std::int64_t id, const std::string& name);

std::optional<MemberRow> FindMember(Database& db, std::int64_t mid, std::int64_t user);
// Members who have not left, in the order they joined.
std::vector<MemberRow> ActiveMembers(Database& db, std::int64_t mid);

// Adds the user (or brings a former member back). A hidden member gets no status stamp, so the
// conversation stays out of their synchronisation until something stamps it.
void AddMember(Database& db, std::int64_t mid, std::int64_t user, std::int64_t joined_did,
               const Stamp* stamp, int me_is_anony = 0);
// The member's view changed: the next synchronisation delivers the conversation again.
void StampMember(Database& db, std::int64_t mid, std::int64_t user, const Stamp& stamp);
void StampActiveMembers(Database& db, std::int64_t mid, const Stamp& stamp);
void LeaveConversation(Database& db, std::int64_t mid, std::int64_t user, std::int64_t left_did,
                       const Stamp& stamp);
void SetMemberDeleted(Database& db, std::int64_t mid, std::int64_t user, int deleted,
                      const Stamp& stamp);
void SetLastRead(Database& db, std::int64_t mid, std::int64_t user, std::int64_t last_read_did,
                 std::int64_t now);

std::optional<std::int64_t> FindDirectConversation(Database& db, std::int64_t a, std::int64_t b);
// A group, not left by the user, whose active members are exactly these users.
std::optional<std::int64_t> FindGroupWithMembers(Database& db, std::int64_t user,
                                                 const std::set<std::int64_t>& members);

}  // namespace lumeno::server

#include "server/api/conversation_ops.h"

#include "server/api/api_error.h"
#include "server/store/message_repo.h"

namespace lumeno::server {

std::int64_t PostNotice(Store& store, std::int64_t mid, std::int64_t actor,
                        const std::string& text) {
    MessageRow notice;
    notice.mid = mid;
    notice.sender_id = actor;
    notice.type = kNoticeMessage;
    notice.text = text;
    notice.crtime = store.Now();
    return InsertMessage(store, notice);
}

void BumpActiveMembers(Store& store, std::int64_t mid) {
    for (const MemberRow& m : ActiveMembers(store.Db(), mid))
        store.News().Bump(m.user_id);
}

std::int64_t DeliverMessage(Store& store, MessageRow& row) {
    const std::int64_t id = InsertMessage(store, row);
    BumpActiveMembers(store, row.mid);
    return id;
}

void ReactivateMember(Database& db, std::int64_t mid, std::int64_t user, const Stamp& stamp) {
    db.Run(
        "UPDATE members SET left_did=0, deleted=0, status_ts=?, status_seq=? "
        "WHERE mid=? AND user_id=?",
        stamp.ts, stamp.seq, mid, user);
}

WritableConversation RequireMembership(Database& db, std::int64_t mid, std::int64_t user,
                                       bool must_be_active) {
    std::optional<ConversationRow> conversation = FindConversation(db, mid);
    if (!conversation)
        throw ApiError(kNotFound, "对话不存在", "no_conversation", "mid " + std::to_string(mid));
    std::optional<MemberRow> member = FindMember(db, mid, user);
    if (!member ||
        (must_be_active && !member->Active() && conversation->type == kGroupConversation))
        throw ApiError(kForbidden, "你已不在该对话中", "not_a_member",
                       "mid " + std::to_string(mid));
    return {*conversation, *member};
}

}  // namespace lumeno::server

// Finding or creating conversations, renaming groups, adding and removing members.
#include <climits>
#include <set>

#include "server/api/api_error.h"
#include "server/api/conversation_ops.h"
#include "server/api/conversation_view.h"
#include "server/api/op_scope.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"
#include "server/core/text.h"
#include "server/store/message_repo.h"

namespace lumeno::server {
namespace {

constexpr size_t kMaxGroupNamePoints = 50;
constexpr size_t kMaxUidsPerRequest = 50;

std::vector<UserRow> RequireUsers(Database& db, const std::string& list, const std::string& name) {
    std::vector<std::string> qxids = SplitList(list, ',');
    if (qxids.empty()) throw BadParameter(name, "missing");
    if (qxids.size() > kMaxUidsPerRequest) throw BadParameter(name, "too many users");
    std::vector<UserRow> users;
    std::set<std::int64_t> seen;
    for (const std::string& q : qxids) {
        std::optional<UserRow> u = FindUserByQxid(db, q);
        if (!u) throw ApiError(kNotFound, "用户不存在", "no_user", name + ": " + q);
        if (seen.insert(u->id).second) users.push_back(*u);
    }
    return users;
}

std::string NameList(const std::vector<UserRow>& users) {
    std::vector<std::string> names;
    for (const UserRow& u : users)
        names.push_back(u.name);
    return JoinList(names, "、");
}

Json::Value GroupAnswer(Viewer& viewer, std::int64_t mid) {
    std::optional<ConversationRow> c = FindConversation(viewer.db(), mid);
    Json::Value out = OkEnvelope();
    out["mid"] = static_cast<int>(mid);
    out["type"] = c ? c->type : 0;
    out["name"] = c ? GroupTitle(viewer, *c) : "";
    out["uids"] = MemberQxids(viewer, mid);
    return out;
}

std::int64_t DirectConversation(OpScope& op, const UserRow& other) {
    Database& db = op.db();
    const UserRow& me = op.me();
    if (std::optional<std::int64_t> existing = FindDirectConversation(db, me.id, other.id)) {
        std::optional<MemberRow> mine = FindMember(db, *existing, me.id);
        if (mine && (mine->left_did != 0 || mine->status_ts == 0))
            ReactivateMember(db, *existing, me.id, op.store().NextStamp());
        return *existing;
    }
    if (op.viewer().Dist(other.id) > 2)
        throw ApiError(kForbidden, "对方不在你的人脉圈中，无法发起对话", "too_far",
                       "qxid " + other.qxid);
    ConversationRow row;
    row.type = kDirectConversation;
    row.creator_id = me.id;
    row.crtime = op.store().Now();
    row.max_cnt = 2;
    std::int64_t mid = CreateConversation(db, row);
    Stamp stamp = op.store().NextStamp();
    AddMember(db, mid, me.id, 0, &stamp);
    AddMember(db, mid, other.id, 0, nullptr);  // they see it with the first message
    op.store().News().Bump(me.id);
    return mid;
}

std::int64_t GroupConversation(OpScope& op, const std::vector<UserRow>& others) {
    Database& db = op.db();
    const UserRow& me = op.me();
    std::set<std::int64_t> members{me.id};
    for (const UserRow& u : others)
        members.insert(u.id);
    if (members.size() < 3)
        throw ApiError(kBadParameter, "群聊至少需要三个人", "too_few_members", "dst_uids");
    if (members.size() > static_cast<size_t>(kGroupSizeLimit))
        throw ApiError(kForbidden, "群成员已满", "group_full", "dst_uids");
    if (std::optional<std::int64_t> existing = FindGroupWithMembers(db, me.id, members))
        return *existing;
    ConversationRow row;
    row.type = kGroupConversation;
    row.creator_id = me.id;
    row.crtime = op.store().Now();
    row.max_cnt = kGroupSizeLimit;
    std::int64_t mid = CreateConversation(db, row);
    std::int64_t joined = MaxMessageId(db);
    Stamp stamp = op.store().NextStamp();
    AddMember(db, mid, me.id, joined, &stamp);
    for (const UserRow& u : others)
        if (u.id != me.id) AddMember(db, mid, u.id, joined, &stamp);
    std::vector<UserRow> invited;
    for (const UserRow& u : others)
        if (u.id != me.id) invited.push_back(u);
    PostNotice(op.store(), mid, me.id, me.name + "邀请" + NameList(invited) + "加入了群聊");
    BumpActiveMembers(op.store(), mid);
    return mid;
}

Json::Value GetMid(Call& call) {
    std::int32_t mtype = RequireInt(call.req, "mtype", 1, 4);
    OpScope op(call);
    std::int64_t mid = 0;
    if (mtype == 1) {
        std::vector<UserRow> users = RequireUsers(op.db(), RequireText(call.req, "qxid"), "qxid");
        if (users.size() != 1 || users.front().id == op.me().id)
            throw BadParameter("qxid", "one other user expected");
        mid = DirectConversation(op, users.front());
    } else if (mtype == 4) {
        mid = GroupConversation(
            op, RequireUsers(op.db(), RequireText(call.req, "dst_uids"), "dst_uids"));
    } else {
        throw BadParameter("mtype", "1 (one person) or 4 (a group) expected");
    }
    Json::Value out = GroupAnswer(op.viewer(), mid);
    op.Commit();
    return out;
}

WritableConversation RequireGroup(OpScope& op, std::int64_t mid) {
    WritableConversation c = RequireMembership(op.db(), mid, op.me().id, true);
    if (c.conversation.type != kGroupConversation)
        throw ApiError(kForbidden, "只有群聊可以进行此操作", "not_a_group",
                       "mid " + std::to_string(mid));
    return c;
}

Json::Value SetMsgName(Call& call) {
    std::int32_t mid = RequireInt(call.req, "mid", 1, INT32_MAX);
    std::string name = Trim(RequireText(call.req, "name"));
    if (name.empty()) throw BadParameter("name", "empty");
    if (CodePointCount(name) > kMaxGroupNamePoints)
        throw ApiError(kBadParameter, "群名称太长，请重新输入", "name_too_long",
                       "at most 50 characters");
    OpScope op(call);
    WritableConversation c = RequireGroup(op, mid);
    if (c.conversation.name != name) {
        RenameConversation(op.db(), mid, name);
        PostNotice(op.store(), mid, op.me().id, op.me().name + "修改群名为“" + name + "”");
        StampActiveMembers(op.db(), mid, op.store().NextStamp());
        BumpActiveMembers(op.store(), mid);
    }
    Json::Value out = GroupAnswer(op.viewer(), mid);
    op.Commit();
    return out;
}

Json::Value AddUser(Call& call) {
    std::int32_t mid = RequireInt(call.req, "mid", 1, INT32_MAX);
    OpScope op(call);
    WritableConversation c = RequireGroup(op, mid);
    if (c.conversation.restricted && c.conversation.creator_id != op.me().id)
        throw ApiError(kForbidden, "您不是管理员，不允许添加成员", "not_the_creator",
                       "mid " + std::to_string(mid));
    std::vector<UserRow> wanted = RequireUsers(op.db(), RequireText(call.req, "uids"), "uids");
    std::vector<UserRow> added;
    for (const UserRow& u : wanted) {
        std::optional<MemberRow> m = FindMember(op.db(), mid, u.id);
        if (u.id != op.me().id && (!m || !m->Active())) added.push_back(u);
    }
    size_t size = ActiveMembers(op.db(), mid).size();
    if (size + added.size() > static_cast<size_t>(c.conversation.max_cnt))
        throw ApiError(kForbidden, "群成员已满", "group_full", "mid " + std::to_string(mid));
    if (!added.empty()) {
        std::int64_t joined = MaxMessageId(op.db());
        Stamp stamp = op.store().NextStamp();
        for (const UserRow& u : added)
            AddMember(op.db(), mid, u.id, joined, &stamp);
        PostNotice(op.store(), mid, op.me().id,
                   op.me().name + "邀请" + NameList(added) + "加入了群聊");
        StampActiveMembers(op.db(), mid, stamp);
        BumpActiveMembers(op.store(), mid);
    }
    Json::Value out = GroupAnswer(op.viewer(), mid);
    op.Commit();
    return out;
}

Json::Value RemoveUser(Call& call) {
    std::int32_t mid = RequireInt(call.req, "mid", 1, INT32_MAX);
    OpScope op(call);
    WritableConversation c = RequireGroup(op, mid);
    std::vector<UserRow> users = RequireUsers(op.db(), RequireText(call.req, "uids"), "uids");
    Database& db = op.db();
    bool leaving = users.size() == 1 && users.front().id == op.me().id;
    if (!leaving && c.conversation.creator_id != op.me().id)
        throw ApiError(kForbidden, "只有群主可以移除成员", "not_the_creator",
                       "mid " + std::to_string(mid));
    for (const UserRow& u : users) {
        std::optional<MemberRow> m = FindMember(db, mid, u.id);
        if (!m || !m->Active())
            throw ApiError(kNotFound, "该用户不在群聊中", "not_a_member", "uids: " + u.qxid);
    }
    // The notice comes before the removal so that everyone still in the group reads it.
    std::int64_t last_seen = MaxMessageId(db);
    PostNotice(op.store(), mid, op.me().id,
               leaving ? op.me().name + "退出了群聊"
                       : op.me().name + "将" + NameList(users) + "移出了群聊");
    BumpActiveMembers(op.store(), mid);
    Stamp stamp = op.store().NextStamp();
    for (const UserRow& u : users)
        LeaveConversation(db, mid, u.id, last_seen, stamp);
    std::vector<MemberRow> remaining = ActiveMembers(db, mid);
    if (leaving && c.conversation.creator_id == op.me().id && !remaining.empty())
        db.Run("UPDATE conversations SET creator_id=? WHERE id=?", remaining.front().user_id, mid);
    StampActiveMembers(db, mid, stamp);
    Json::Value out = OkEnvelope();
    out["mid"] = static_cast<int>(mid);
    op.Commit();
    return out;
}

}  // namespace

void RegisterGroupRoutes(Routes& routes) {
    routes.Get("/lumeno/msg/v3/get_mid", GetMid);
    routes.Get("/lumeno/msg/v3/set_msg_name", SetMsgName);
    routes.Get("/lumeno/msg/v3/add_user", AddUser);
    routes.Get("/lumeno/msg/v3/remove_user", RemoveUser);
}

}  // namespace lumeno::server

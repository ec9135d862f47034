// Contacts and profiles: the contact list, profile and talent cards, friend requests.
#include <algorithm>
#include <climits>

#include "server/api/api_error.h"
#include "server/api/op_scope.h"
#include "server/api/profile_view.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"
#include "server/api/user_view.h"
#include "server/core/text.h"
#include "server/store/friend_repo.h"
#include "server/store/task_repo.h"
#include "server/store/user_repo.h"

namespace lumeno::server {
namespace {

constexpr size_t kMaxAttachPoints = 500;

UserRow RequirePerson(OpScope& op, const httplib::Request& req) {
    std::string qxid = RequireText(req, "u2");
    std::optional<UserRow> person = FindUserByQxid(op.db(), qxid);
    if (!person) throw ApiError(kNotFound, "用户不存在", "no_user", "u2: " + qxid);
    return *person;
}

Json::Value ContactList(Call& call) {
    OpScope op(call);
    std::vector<const UserRow*> friends;
    for (std::int64_t id : FriendsOf(op.db(), op.me().id))
        if (const UserRow* u = op.viewer().User(id)) friends.push_back(u);
    std::sort(friends.begin(), friends.end(), [](const UserRow* a, const UserRow* b) {
        return a->py != b->py ? a->py < b->py : a->id < b->id;
    });
    Json::Value contacts(Json::arrayValue);
    for (const UserRow* u : friends)
        contacts.append(UserJson(op.viewer(), *u));
    Json::Value out = OkEnvelope();
    out["count"] = static_cast<int>(contacts.size());
    out["contacts"] = std::move(contacts);
    return out;
}

Json::Value ContactDetail(Call& call) {
    OpScope op(call);
    UserRow person = RequirePerson(op, call.req);
    return ProfileAnswer(op.viewer(), person);
}

Json::Value TalentDetail(Call& call) {
    OpScope op(call);
    UserRow person = RequirePerson(op, call.req);
    return TalentAnswer(op.viewer(), person);
}

Json::Value TryAdd(Call& call) {
    OpScope op(call);
    UserRow person = RequirePerson(op, call.req);
    if (person.id == op.me().id) throw ApiError(kBadParameter, "不能添加自己为好友", "self", "u2");
    if (AreFriends(op.db(), op.me().id, person.id))
        throw ApiError(kConflict, "你们已经是好友了", "already_friends", "u2: " + person.qxid);
    return TryAddAnswer(op.viewer(), person);
}

Json::Value BreakFriendship(Call& call) {
    OpScope op(call);
    UserRow person = RequirePerson(op, call.req);
    if (!AreFriends(op.db(), op.me().id, person.id))
        throw ApiError(kNotFound, "你们还不是好友", "not_friends", "u2: " + person.qxid);
    RemoveFriendship(op.db(), op.me().id, person.id);
    Viewer fresh(op.db(), op.me(), call.base_url);  // distances as they are now
    Json::Value out = ProfileAnswer(fresh, person);
    op.Commit();
    return out;
}

Json::Value InitRequest(Call& call) {
    std::int32_t level = IntOr(call.req, "lv", 1, 1, 3);
    std::string attach = ArgText(call.req, "attach").value_or("");
    if (!IsValidUtf8(attach)) throw BadParameter("attach", "not UTF-8 text");
    if (CodePointCount(attach) > kMaxAttachPoints)
        throw ApiError(kTooLarge, "附言太长", "attach_too_long", "at most 500 characters");
    OpScope op(call);
    UserRow person = RequirePerson(op, call.req);
    Database& db = op.db();
    if (person.id == op.me().id) throw ApiError(kBadParameter, "不能添加自己为好友", "self", "u2");
    if (AreFriends(db, op.me().id, person.id))
        throw ApiError(kConflict, "你们已经是好友了", "already_friends", "u2: " + person.qxid);
    if (person.reconly)
        throw ApiError(kForbidden, "对不起，该联系人需要好友推荐才能添加", "recommendation_only",
                       "u2: " + person.qxid);
    std::int64_t now = op.store().Now();
    if (std::optional<TaskRow> open = FindOpenRequest(db, op.me().id, person.id)) {
        db.Run("UPDATE tasks SET attach=?, level=?, updated=? WHERE id=?", attach, level, now,
               open->id);
    } else {
        TaskRow task;
        task.owner_id = person.id;
        task.type = kTaskFriendRequest;
        task.from_id = op.me().id;
        task.attach = attach;
        task.level = level;
        task.crtime = now;
        InsertTask(db, task);
    }
    TouchTasks(db, person.id, now);
    op.store().News().Bump(person.id);
    op.Commit();
    return OkEnvelope();
}

}  // namespace

void RegisterContactRoutes(Routes& routes) {
    routes.Get("/lumeno/contact/v3/d1", ContactList);
    routes.Get("/lumeno/contact/v3/detail", ContactDetail);
    routes.Get("/lumeno/talent/v3/detail", TalentDetail);
    routes.Get("/lumeno/contact/v3/try_add", TryAdd);
    routes.Get("/lumeno/contact/v3/break", BreakFriendship);
    routes.GetOrPost("/lumeno/contact/v3/init_req", InitRequest);
}

}  // namespace lumeno::server

// Pending items: the list, completing and ignoring them.
#include <algorithm>
#include <climits>

#include "server/api/api_error.h"
#include "server/api/conversation_ops.h"
#include "server/api/op_scope.h"
#include "server/api/profile_view.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"
#include "server/api/task_view.h"
#include "server/core/text.h"
#include "server/store/conversation_repo.h"
#include "server/store/friend_repo.h"
#include "server/store/job_repo.h"
#include "server/store/message_repo.h"
#include "server/store/task_repo.h"

namespace lumeno::server {
namespace {

constexpr int kMaxTasksPage = 100;

Json::Value Tasks(Call& call) {
    std::int32_t pending = IntOr(call.req, "pending", 1, 0, 1);
    std::int32_t page = IntOr(call.req, "page", 0, 0, 100000);
    std::int32_t count = std::min(IntOr(call.req, "count", 50, 1, INT32_MAX), kMaxTasksPage);
    OpScope op(call);
    std::vector<TaskRow> rows =
        ListTasks(op.db(), op.me().id, pending == 1, page * count, count + 1);
    bool hasmore = static_cast<int>(rows.size()) > count;
    if (hasmore) rows.resize(static_cast<size_t>(count));
    Json::Value requests(Json::arrayValue);
    for (const TaskRow& t : rows)
        requests.append(TaskJson(op.viewer(), t));
    Json::Value out = OkEnvelope();
    out["hasmore"] = hasmore;
    out["total"] = CountTasks(op.db(), op.me().id, pending == 1);
    out["requests"] = std::move(requests);
    return out;
}

TaskRow RequireOpenTask(OpScope& op, const httplib::Request& req) {
    std::int32_t type = RequireInt(req, "type", 0, INT32_MAX);
    std::int32_t id = RequireInt(req, "id", 1, INT32_MAX);
    std::optional<TaskRow> task = FindTask(op.db(), id);
    if (!task || task->owner_id != op.me().id)
        throw ApiError(kNotFound, "该事项不存在", "no_task", "id " + std::to_string(id));
    if (task->type != type) throw BadParameter("type", "does not match the item");
    if (task->done != kTaskOpen)
        throw ApiError(kConflict, "该事项已处理", "already_done", "id " + std::to_string(id));
    return *task;
}

// A one-to-one conversation both people see, found or made.
std::int64_t SharedDirectConversation(OpScope& op, std::int64_t a, std::int64_t b) {
    Database& db = op.db();
    Stamp stamp = op.store().NextStamp();
    if (std::optional<std::int64_t> mid = FindDirectConversation(db, a, b)) {
        ReactivateMember(db, *mid, a, stamp);
        ReactivateMember(db, *mid, b, stamp);
        return *mid;
    }
    ConversationRow row;
    row.type = kDirectConversation;
    row.creator_id = a;
    row.crtime = op.store().Now();
    std::int64_t mid = CreateConversation(db, row);
    AddMember(db, mid, a, 0, &stamp);
    AddMember(db, mid, b, 0, &stamp);
    return mid;
}

void AcceptFriend(OpScope& op, const TaskRow& task, int level) {
    Database& db = op.db();
    std::int64_t now = op.store().Now();
    AddFriendship(db, op.me().id, task.from_id, level, now);
    if (std::optional<TaskRow> reverse = FindOpenRequest(db, op.me().id, task.from_id)) {
        SetTaskState(db, reverse->id, kTaskCompleted, now);
        TouchTasks(db, task.from_id, now);
    }
    std::int64_t mid = SharedDirectConversation(op, op.me().id, task.from_id);
    PostNotice(op.store(), mid, op.me().id, "你们已经成为好友，现在可以开始聊天了");
    BumpActiveMembers(op.store(), mid);
}

void PassOnRecommendation(OpScope& op, const TaskRow& task, const std::string& reason) {
    Database& db = op.db();
    if (task.other_id == 0 || AreFriends(db, task.from_id, task.other_id)) return;
    std::int64_t now = op.store().Now();
    TaskRow request;
    request.owner_id = task.other_id;
    request.type = kTaskFriendRequest;
    request.from_id = task.from_id;
    request.attach = "[" + op.me().name + "推荐] " + reason;
    request.crtime = now;
    InsertTask(db, request);
    TouchTasks(db, task.other_id, now);
    op.store().News().Bump(task.other_id);
}

void SendResume(OpScope& op, const TaskRow& task) {
    std::optional<JobRow> job = FindJob(op.db(), task.jid);
    if (!job) throw ApiError(kNotFound, "职位已下线", "no_job", "jid " + std::to_string(task.jid));
    RecordApplication(op.db(), op.me().id, job->id, op.store().Now());
    if (job->poster_id == op.me().id) return;
    std::int64_t mid = SharedDirectConversation(op, op.me().id, job->poster_id);
    MessageRow resume;
    resume.mid = mid;
    resume.sender_id = op.me().id;
    resume.type = kResumeMessage;
    resume.ref_user = op.me().id;
    resume.crtime = op.store().Now();
    InsertMessage(op.store(), resume);
    BumpActiveMembers(op.store(), mid);
}

void JoinGroup(OpScope& op, const TaskRow& task) {
    Database& db = op.db();
    std::optional<ConversationRow> group = FindConversation(db, task.mid);
    if (!group || group->type != kGroupConversation)
        throw ApiError(kNotFound, "群聊不存在", "no_group", "mid " + std::to_string(task.mid));
    if (ActiveMembers(db, task.mid).size() >= static_cast<size_t>(group->max_cnt))
        throw ApiError(kForbidden, "群成员已满", "group_full", "mid " + std::to_string(task.mid));
    std::int64_t joined = MaxMessageId(db);
    Stamp stamp = op.store().NextStamp();
    AddMember(db, task.mid, op.me().id, joined, &stamp);
    PostNotice(op.store(), task.mid, op.me().id, op.me().name + "加入了群聊");
    StampActiveMembers(db, task.mid, stamp);
    BumpActiveMembers(op.store(), task.mid);
}

Json::Value CompleteTask(Call& call) {
    std::int32_t level = IntOr(call.req, "lv", 0, 0, 3);
    std::string attach = ArgText(call.req, "attach").value_or("");
    if (!IsValidUtf8(attach) || CodePointCount(attach) > 500)
        throw BadParameter("attach", "not UTF-8 text of at most 500 characters");
    OpScope op(call);
    TaskRow task = RequireOpenTask(op, call.req);
    Json::Value out = OkEnvelope();
    switch (task.type) {
        case kTaskFriendRequest:
            AcceptFriend(op, task, level > 0 ? level : task.level);
            break;
        case kTaskLevelRequest:
            AddFriendship(op.db(), op.me().id, task.from_id, level > 0 ? level : task.level,
                          op.store().Now());
            break;
        case kTaskRecommendation:
            PassOnRecommendation(op, task, attach);
            break;
        case kTaskJobOffer:
            SendResume(op, task);
            break;
        case kTaskGroupInvitation:
            JoinGroup(op, task);
            break;
        default:
            break;
    }
    std::int64_t now = op.store().Now();
    SetTaskState(op.db(), task.id, kTaskCompleted, now);
    // The person's other friend and level requests are answered by this one.
    if (task.type == kTaskFriendRequest || task.type == kTaskLevelRequest)
        CompleteOpenRequests(op.db(), task.from_id, op.me().id, now);
    TouchTasks(op.db(), op.me().id, now);
    if (task.type == kTaskFriendRequest || task.type == kTaskLevelRequest) {
        // The answer carries the new contact's card.
        Viewer fresh(op.db(), op.me(), call.base_url);
        if (const UserRow* person = fresh.User(task.from_id)) out = ProfileAnswer(fresh, *person);
    }
    op.Commit();
    return out;
}

Json::Value IgnoreTask(Call& call) {
    OpScope op(call);
    TaskRow task = RequireOpenTask(op, call.req);
    std::int64_t now = op.store().Now();
    SetTaskState(op.db(), task.id, kTaskIgnored, now);
    TouchTasks(op.db(), op.me().id, now);
    op.Commit();
    return OkEnvelope();
}

}  // namespace

void RegisterTaskRoutes(Routes& routes) {
    routes.Get("/lumeno/user/v3/tasks", Tasks);
    routes.GetOrPost("/lumeno/user/v3/complete_task", CompleteTask);
    routes.Get("/lumeno/user/v3/ignore_task", IgnoreTask);
}

}  // namespace lumeno::server

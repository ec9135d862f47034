// The control endpoint for tests and demonstrations, on loopback like everything else:
// fault injection, token withdrawal, push control, tokens without passwords, messages sent as
// any user, friendships made on the spot, unread counts, pending items in bulk, the update offer
// and the clock.
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

#include "server/api/api_error.h"
#include "server/api/conversation_ops.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"
#include "server/core/json_text.h"
#include "server/store/friend_repo.h"
#include "server/store/message_repo.h"
#include "server/store/task_repo.h"
#include "server/store/user_repo.h"

namespace lumeno::server {
namespace {

UserRow RequireUser(Store& store, const std::string& qxid) {
    std::optional<UserRow> user = FindUserByQxid(store.Db(), qxid);
    if (!user) user = FindUserByAccount(store.Db(), qxid);
    if (!user) throw ApiError(kNotFound, "用户不存在", "no_user", qxid);
    return *user;
}

Json::Value AddFault(Call& call) {
    std::string kind_name = RequireText(call.req, "kind");
    std::optional<HttpFaultKind> kind = HttpFaultKindFromName(kind_name);
    if (!kind)
        throw BadParameter("kind", "delay, http500, malformed, truncated, empty, busy or repeat");
    HttpFault fault;
    fault.kind = *kind;
    fault.path = ArgText(call.req, "path").value_or("");
    fault.qxid = ArgText(call.req, "qxid").value_or("");
    fault.remaining = IntOr(call.req, "count", -1, -1, INT32_MAX);
    fault.skip = IntOr(call.req, "skip", 0, 0, INT32_MAX);
    if (fault.remaining == 0) throw BadParameter("count", "0 would never apply");
    fault.delay_ms = IntOr(call.req, "ms", 0, 0, 600000);
    if (*kind == HttpFaultKind::kDelay && fault.delay_ms == 0) throw BadParameter("ms", "missing");
    Json::Value out = OkEnvelope();
    out["id"] = call.service.faults().Add(fault);
    return out;
}

Json::Value ListFaults(Call& call) {
    Json::Value list(Json::arrayValue);
    for (const HttpFault& f : call.service.faults().List()) {
        Json::Value j(Json::objectValue);
        j["id"] = f.id;
        j["kind"] = HttpFaultKindName(f.kind);
        j["path"] = f.path;
        j["qxid"] = f.qxid;
        j["remaining"] = f.remaining;
        j["skip"] = f.skip;
        j["ms"] = f.delay_ms;
        list.append(j);
    }
    Json::Value out = OkEnvelope();
    out["faults"] = list;
    out["push_mode"] = call.service.push() ? PushModeName(call.service.push()->Mode()) : "none";
    return out;
}

Json::Value ClearFaults(Call& call) {
    call.service.faults().ClearHttp();
    if (call.service.push()) call.service.push()->SetMode(PushMode::kNormal);
    return OkEnvelope();
}

Json::Value Revoke(Call& call) {
    std::int32_t code = IntOr(call.req, "code", 20002, 20001, 20002);
    Store& store = call.service.store();
    auto lock = store.Lock();
    UserRow user = RequireUser(store, RequireText(call.req, "qxid"));
    RevokeTokens(store.Db(), user.id, code);
    return OkEnvelope();
}

Json::Value SetPushMode(Call& call) {
    std::optional<PushMode> mode = PushModeFromName(RequireText(call.req, "mode"));
    if (!mode) throw BadParameter("mode", "normal, silent, refuse or reject");
    if (!call.service.push()) throw ApiError(kNotFound, "没有推送服务", "no_push", "");
    call.service.push()->SetMode(*mode);
    return OkEnvelope();
}

std::int64_t OptionalUser(Call& call) {
    std::string qxid = ArgText(call.req, "qxid").value_or("");
    if (qxid.empty()) return 0;
    auto lock = call.service.store().Lock();
    return RequireUser(call.service.store(), qxid).id;
}

Json::Value ClosePush(Call& call) {
    if (!call.service.push()) throw ApiError(kNotFound, "没有推送服务", "no_push", "");
    Json::Value out = OkEnvelope();
    out["closed"] = call.service.push()->CloseSessions(OptionalUser(call));
    return out;
}

Json::Value PushSessions(Call& call) {
    Json::Value out = OkEnvelope();
    out["sessions"] =
        call.service.push() ? call.service.push()->SessionCount(OptionalUser(call)) : 0;
    return out;
}

Json::Value Notify(Call& call) {
    std::int64_t user = OptionalUser(call);
    if (user == 0) throw BadParameter("qxid", "missing");
    call.service.store().News().Bump(user);
    return OkEnvelope();
}

Json::Value Token(Call& call) {
    Store& store = call.service.store();
    auto lock = store.Lock();
    UserRow user = RequireUser(store, RequireText(call.req, "account"));
    Transaction tx(store.Db());
    std::string token = IssueToken(store.Db(), user.id, store.Now());
    tx.Commit();
    Json::Value out = OkEnvelope();
    out["qxid"] = user.qxid;
    out["id"] = static_cast<int>(user.id);
    out["token"] = token;
    return out;
}

Json::Value Send(Call& call) {
    std::int32_t mid = RequireInt(call.req, "mid", 1, INT32_MAX);
    std::string text = RequireText(call.req, "text");
    Store& store = call.service.store();
    auto lock = store.Lock();
    UserRow sender = RequireUser(store, RequireText(call.req, "from"));
    Transaction tx(store.Db());
    RequireMembership(store.Db(), mid, sender.id, true);
    MessageRow m;
    m.mid = mid;
    m.sender_id = sender.id;
    m.text = text;
    m.crtime = store.Now();
    // Whom the message mentions: user ids, comma-separated.
    m.atuids = ArgText(call.req, "at").value_or("");
    DeliverMessage(store, m);
    tx.Commit();
    Json::Value out = OkEnvelope();
    out["id"] = static_cast<int>(m.id);
    return out;
}

// How many messages of a conversation one member has not read, as the service counts them (the
// badge its synchronisation would carry).
Json::Value Unread(Call& call) {
    const std::int32_t mid = RequireInt(call.req, "mid", 1, INT32_MAX);
    Store& store = call.service.store();
    auto lock = store.Lock();
    UserRow user = RequireUser(store, RequireText(call.req, "qxid"));
    std::optional<MemberRow> member = FindMember(store.Db(), mid, user.id);
    if (!member) throw ApiError(kNotFound, "不是会话成员", "no_member", std::to_string(mid));
    Json::Value out = OkEnvelope();
    out["unread"] = CountUnread(store.Db(), *member);
    return out;
}

// Two people become friends at once, as when one accepts the other's request elsewhere.
Json::Value Befriend(Call& call) {
    const std::int32_t level = IntOr(call.req, "level", 1, 1, 3);
    Store& store = call.service.store();
    auto lock = store.Lock();
    UserRow a = RequireUser(store, RequireText(call.req, "a"));
    UserRow b = RequireUser(store, RequireText(call.req, "b"));
    if (a.id == b.id) throw BadParameter("b", "the same person as a");
    if (AreFriends(store.Db(), a.id, b.id)) {
        throw ApiError(kConflict, "你们已经是好友了", "already_friends", b.qxid);
    }
    Transaction tx(store.Db());
    AddFriendship(store.Db(), a.id, b.id, level, store.Now());
    tx.Commit();
    return OkEnvelope();
}

// Pending items for one person, as many as asked, each a minute older than the one before:
// enough of them to fill several pages of the list.
Json::Value AddTasks(Call& call) {
    const std::int32_t type = IntOr(call.req, "type", kTaskFriendRequest, 1, kTaskCompleteProfile);
    const std::int32_t count = IntOr(call.req, "count", 1, 1, 1000);
    Store& store = call.service.store();
    auto lock = store.Lock();
    UserRow owner = RequireUser(store, RequireText(call.req, "owner"));
    UserRow from = RequireUser(store, RequireText(call.req, "from"));
    const std::string attach = ArgText(call.req, "attach").value_or("");
    Transaction tx(store.Db());
    const std::int64_t now = store.Now();
    Json::Value ids(Json::arrayValue);
    for (std::int32_t i = 0; i < count; ++i) {
        TaskRow task;
        task.owner_id = owner.id;
        task.type = type;
        task.from_id = from.id;
        task.attach = attach;
        task.crtime = now - 60 * (i + 1);
        ids.append(static_cast<Json::Int64>(InsertTask(store.Db(), task)));
    }
    TouchTasks(store.Db(), owner.id, now);
    tx.Commit();
    store.News().Bump(owner.id);
    Json::Value out = OkEnvelope();
    out["ids"] = ids;
    return out;
}

Json::Value SetUpdate(Call& call) {
    UpdateOffer offer = call.service.update();
    offer.version = ArgText(call.req, "version").value_or(offer.version);
    offer.force = IntOr(call.req, "force", offer.force, 0, 1);
    offer.desc = ArgText(call.req, "desc").value_or(offer.desc);
    offer.wrong_md5 = IntOr(call.req, "wrong_md5", offer.wrong_md5 ? 1 : 0, 0, 1) == 1;
    offer.cut = IntOr(call.req, "cut", offer.cut ? 1 : 0, 0, 1) == 1;
    offer.pad = IntOr(call.req, "pad", offer.pad, 0, 64 * 1024 * 1024);
    offer.chunk_ms = IntOr(call.req, "chunk_ms", offer.chunk_ms, 0, 1000);
    offer.url = ArgText(call.req, "url").value_or(offer.url);
    call.service.set_update(offer);
    Json::Value out = OkEnvelope();
    out["installer_downloads"] = call.service.installer_downloads();
    return out;
}

// Sends the client elsewhere: a redirect to `to` with status `code` (302 unless told).
void Redirect(const httplib::Request& req, httplib::Response& res) {
    const std::string to = req.has_param("to") ? req.get_param_value("to") : std::string();
    const int code = req.has_param("code") ? std::atoi(req.get_param_value("code").c_str()) : 302;
    if (to.empty() || (code != 301 && code != 302 && code != 303 && code != 307 && code != 308)) {
        res.set_content(WriteJson(ErrorEnvelope(
                            BadParameter("to", "an address, and 301, 302, 303, 307 or 308"))),
                        "application/json; charset=utf-8");
        return;
    }
    res.set_redirect(to, code);
}

Json::Value SetClock(Call& call) {
    Store& store = call.service.store();
    if (ArgText(call.req, "offset"))
        store.SetClockOffset(RequireInt(call.req, "offset", -864000000, 864000000));
    if (ArgText(call.req, "freeze")) {
        std::int32_t at = RequireInt(call.req, "freeze", -1, INT32_MAX);
        store.FreezeClock(at == -1 ? store.Now() : at);  // -1: at this moment
    }
    Json::Value out = OkEnvelope();
    out["now"] = static_cast<int>(store.Now());
    return out;
}

}  // namespace

void RegisterAdminRoutes(Routes& routes) {
    routes.Control("/admin/fault", AddFault);
    routes.Control("/admin/faults", ListFaults);
    routes.Control("/admin/clear", ClearFaults);
    routes.Control("/admin/revoke", Revoke);
    routes.Control("/admin/push", SetPushMode);
    routes.Control("/admin/push/close", ClosePush);
    routes.Control("/admin/push/sessions", PushSessions);
    routes.Control("/admin/notify", Notify);
    routes.Control("/admin/token", Token);
    routes.Control("/admin/send", Send);
    routes.Control("/admin/befriend", Befriend);
    routes.Control("/admin/unread", Unread);
    routes.Control("/admin/tasks", AddTasks);
    routes.Control("/admin/update", SetUpdate);
    routes.Control("/admin/clock", SetClock);
    routes.http().Get("/admin/redirect", Redirect);
}

}  // namespace lumeno::server

// Signing in (password or token) and the presence report.
#include "server/api/api_error.h"
#include "server/api/op_scope.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"
#include "server/api/user_view.h"
#include "server/core/text.h"

namespace lumeno::server {
namespace {

Json::Value SignedIn(const UserRow& user, const std::string& token, const std::string& base_url) {
    // No "error_code" member: a client takes an integer one for a refusal.
    Json::Value out = OkEnvelope();
    out["token"] = token;
    out["user"] = LoginUserJson(user, base_url);
    return out;
}

Json::Value PasswordLogin(Call& call) {
    std::string account = Trim(ArgText(call.req, "account").value_or(""));
    std::string password = ArgText(call.req, "password").value_or("");
    if (account.empty()) throw BadParameter("account", "missing");
    if (password.empty()) throw BadParameter("password", "missing");
    const ApiError refused(kBadCredentials, "账号或密码错误", "bad_credentials",
                           "unknown account or wrong password");
    Store& store = call.service.store();
    std::optional<UserRow> user;
    std::optional<PasswordRecord> record;
    {
        auto lock = store.Lock();
        user = FindUserByAccount(store.Db(), account);
        if (user) record = LoadPassword(store.Db(), user->id);
    }
    // The deliberately slow comparison runs without holding the store.
    if (!user || !record || !PasswordMatches(*record, password)) throw refused;
    auto lock = store.Lock();
    Transaction tx(store.Db());
    std::string token = IssueToken(store.Db(), user->id, store.Now());
    tx.Commit();
    return SignedIn(*user, token, call.base_url);
}

Json::Value TokenLogin(Call& call) {
    OpScope op(call);
    return SignedIn(op.me(), ArgText(call.req, "access_token").value_or(""), call.base_url);
}

Json::Value Login(Call& call) {
    if (call.req.method == "POST" || ArgText(call.req, "account")) return PasswordLogin(call);
    return TokenLogin(call);
}

Json::Value PcStatus(Call& call) {
    std::int32_t on = RequireInt(call.req, "on", 0, 1);
    OpScope op(call);
    SetPresence(op.db(), op.me().id, on, op.store().Now());
    op.Commit();
    return OkEnvelope();
}

}  // namespace

void RegisterAccountRoutes(Routes& routes) {
    routes.GetOrPost("/lumeno/user/v3/login", Login);
    routes.Get("/lumeno/msg/v3/pc_status", PcStatus);
}

}  // namespace lumeno::server

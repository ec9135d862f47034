#include "server/api/service.h"

#include "server/api/api_error.h"
#include "server/api/request_args.h"

namespace lumeno::server {

UserRow Authenticate(Database& db, const httplib::Request& req) {
    std::string qxid = ArgText(req, "u").value_or("");
    std::string token = ArgText(req, "access_token").value_or("");
    TokenCheck check = CheckToken(db, qxid, token);
    if (check.state == TokenState::kRevoked) {
        if (check.revoked_code == kTokenInvalid)
            throw ApiError(kTokenInvalid, "登录已失效，请重新登录", "token_invalid",
                           "the access token was withdrawn");
        throw ApiError(kTokenRevoked, "您的账号已在其他地方登录，请重新登录", "token_expired",
                       "the access token is no longer valid");
    }
    if (check.state != TokenState::kValid)
        throw ApiError(kTokenInvalid, "登录已失效，请重新登录", "token_invalid",
                       qxid.empty() || token.empty() ? "u and access_token are required"
                                                     : "unknown access token for this user");
    std::optional<UserRow> user = FindUser(db, check.user);
    if (!user)
        throw ApiError(kTokenInvalid, "登录已失效，请重新登录", "token_invalid", "no such user");
    return *user;
}

}  // namespace lumeno::server

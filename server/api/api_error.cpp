#include "server/api/api_error.h"

namespace lumeno::server {

Json::Value ErrorEnvelope(const ApiError& error) {
    Json::Value out(Json::objectValue);
    out["result"] = "error";
    out["error_code"] = error.code();
    out["error_msg"] = error.message();
    out["error"] = error.error();
    out["detail"] = error.detail();
    return out;
}

Json::Value OkEnvelope() {
    Json::Value out(Json::objectValue);
    out["result"] = "ok";
    return out;
}

ApiError BadParameter(const std::string& name, const std::string& why) {
    return ApiError(kBadParameter, "参数错误: " + name, "bad_parameter", name + ": " + why);
}

}  // namespace lumeno::server

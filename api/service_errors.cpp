#include "api/service_errors.h"

#include <strings.h>

#include "api/json_access.h"

bool CheckParsedEnvelope(const Json::Value& root, ErrorRecord* record) {
    FlatObject flat;
    if (!FlattenObject(root, flat)) return false;
    std::string result;
    flat.GetText("result", result);
    if (strcasecmp(result.c_str(), "ok") == 0) return true;
    if (record) {
        flat.GetInt("error_code", record->error_code);
        flat.GetText("detail", record->detail);
        flat.GetText("error", record->error);
        flat.GetText("error_msg", record->error_msg);
    }
    return false;
}

bool CheckEnvelope(std::string_view answer, ErrorRecord* record) {
    Json::Value root;
    if (!ParseJson(answer, root)) return false;
    return CheckParsedEnvelope(root, record);
}

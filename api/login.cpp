#include "api/login.h"

#include <strings.h>

#include "api/json_access.h"
#include "net/url_encode.h"

CDBLogin& CDBLogin::Instance() {
    static CDBLogin login;
    return login;
}

std::string MyUserId(const LoginRecord& record) {
    if (record.id > 0) return std::to_string(record.id);
    if (!record.id_text.empty()) return record.id_text;
    return record.tid;
}

std::string MyUserId() {
    return MyUserId(CDBLogin::Instance().Record());
}

std::string AuthQuery(const LoginRecord& record) {
    return "u=" + UrlEncode(record.qxid) + "&access_token=" + UrlEncode(record.token);
}

std::string AuthQuery() {
    return AuthQuery(CDBLogin::Instance().Record());
}

bool DecodeSignInAnswer(std::string_view answer, LoginRecord& record) {
    Json::Value root;
    FlatObject top;
    if (!ParseJson(answer, root) || !FlattenObject(root, top)) return false;
    if (top.HasInt("error_code")) return false;  // a refusal, even when a user object comes too
    top.GetText("token", record.token);
    bool decoded = false;
    FlatObject user;
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!it->isObject() || strcasecmp(it.name().c_str(), "user") != 0) continue;
        if (!FlattenObject(*it, user)) continue;
        user.GetText("addv_url", record.addv_url);
        user.GetText("avatar", record.avatar);
        user.GetText("birthday", record.birthday);
        user.GetText("city", record.city);
        user.GetText("company", record.company);
        user.GetText("custom_text", record.custom_text);
        user.GetText("email", record.email);
        user.GetText("encoded_qxid", record.encoded_qxid);
        user.GetText("qxid", record.qxid);
        user.GetText("mobile", record.mobile);
        user.GetText("name_desc", record.name_desc);
        user.GetText("name_pic", record.name_pic);
        user.GetText("position", record.position);
        user.GetText("province", record.province);
        user.GetText("realname", record.realname);
        user.GetText("share_url", record.share_url);
        user.GetText("tid", record.tid);
        user.GetText("username", record.username);
        user.GetText("wbname", record.wbname);
        user.GetText("id", record.id_text);
        user.GetText("anon_avatar", record.anon_avatar);
        user.GetInt("id", record.id);
        user.GetInt("major", record.major);
        user.GetInt("profession", record.profession);
        decoded = true;
    }
    return decoded;
}

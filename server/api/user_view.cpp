#include "server/api/user_view.h"

#include "server/core/text.h"

namespace lumeno::server {
namespace {

std::string Joined(const std::string& a, const std::string& separator, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return a + separator + b;
}

// How complete the profile is, 0 to 100.
int ProfileRank(const UserRow& u) {
    const std::string* fields[] = {&u.avatar, &u.company, &u.position, &u.city,  &u.industry,
                                   &u.school, &u.skills,  &u.mobile,   &u.email, &u.signature};
    int filled = 0;
    for (const std::string* f : fields)
        if (!f->empty()) ++filled;
    return filled * 10;
}

}  // namespace

std::string CareerLine(const UserRow& u) {
    return Joined(u.company, " ", u.position);
}

std::string ShareUrl(const std::string& base_url, const UserRow& u) {
    return base_url + "/share/user/" + u.qxid;
}

std::string AvatarUrl(const std::string& base_url, const UserRow& u) {
    if (u.anonym) return u.avatar;  // anonymous people show a numbered skin picture
    return u.avatar.empty() ? std::string() : base_url + u.avatar;
}

Json::Value UserJson(Viewer& viewer, const UserRow& u) {
    Json::Value j(Json::objectValue);
    j["anonym"] = u.anonym;
    j["is_realname"] = u.anonym ? 0 : 1;
    j["utype"] = 1;
    j["id"] = static_cast<int>(u.id);
    j["dist"] = viewer.Dist(u.id);
    j["rank"] = ProfileRank(u);
    j["in_app"] = 1;
    j["cmf"] = viewer.CommonFriends(u.id);
    j["judge"] = u.judge;
    j["gender"] = u.gender;
    j["sr"] = u.online;
    j["py"] = u.py;
    j["share_url"] = ShareUrl(viewer.base_url(), u);
    j["loc"] = u.city;
    j["sub"] = u.industry;
    j["line4"] = u.industry;
    j["line3"] = Joined(u.province, " ", u.city);
    j["line2"] = u.company;
    j["line1"] = u.position;
    j["tid"] = u.tid;
    j["qxid"] = u.qxid;
    j["name"] = u.name;
    j["ustr"] = u.signature;
    j["career"] = CareerLine(u);
    j["wbname"] = u.username;
    j["avatar"] = AvatarUrl(viewer.base_url(), u);
    j["job_line"] = Joined(u.position, " @ ", u.company);
    return j;
}

Json::Value LoginUserJson(const UserRow& u, const std::string& base_url) {
    Json::Value j(Json::objectValue);
    j["addv_url"] = base_url + "/share/verify/" + u.qxid;
    j["avatar"] = AvatarUrl(base_url, u);
    j["birthday"] = u.birthday;
    j["city"] = u.city;
    j["company"] = u.company;
    j["custom_text"] = u.signature;
    j["email"] = u.email;
    j["encoded_qxid"] = "q" + u.tid;
    j["qxid"] = u.qxid;
    j["mobile"] = u.mobile;
    j["name_desc"] = CareerLine(u);
    j["name_pic"] = AvatarUrl(base_url, u);
    j["position"] = u.position;
    j["province"] = u.province;
    j["realname"] = u.name;
    j["share_url"] = ShareUrl(base_url, u);
    j["tid"] = u.tid;
    j["username"] = u.username;
    j["wbname"] = u.username;
    j["id"] = static_cast<int>(u.id);
    j["anon_avatar"] = u.anon_avatar;
    j["major"] = u.major;
    j["profession"] = u.profession;
    return j;
}

}  // namespace lumeno::server

#include "api/decoders.h"

void DecodeUserFields(const FlatObject& o, UserRecord& user) {
    o.GetText("py", user.py);
    o.GetText("share_url", user.share_url);
    o.GetText("loc", user.loc);
    o.GetText("sub", user.sub);
    o.GetText("line4", user.line4);
    o.GetText("line3", user.line3);
    o.GetText("line2", user.line2);
    o.GetText("line1", user.line1);
    o.GetText("tid", user.tid);
    o.GetText("qxid", user.qxid);
    o.GetText("name", user.name);
    o.GetText("ustr", user.ustr);
    o.GetText("career", user.career);
    o.GetText("wbname", user.wbname);
    o.GetText("avatar", user.avatar);
    o.GetText("job_line", user.job_line);
    o.GetInt("id", user.id);
    o.GetInt("utype", user.utype);
    o.GetInt("dist", user.dist);
    o.GetInt("rank", user.rank);
    o.GetInt("in_app", user.in_app);
    o.GetInt("cmf", user.cmf);
    o.GetInt("judge", user.judge);
    o.GetInt("gender", user.gender);
    o.GetInt("sr", user.sr);
    o.GetFlag("anonym", user.anonym);
    o.GetFlag("is_realname", user.is_realname);
}

void DecodeJob(const FlatObject& o, JobRecord& job) {
    o.GetInt("id", job.id);
    o.GetInt("status", job.status);
    o.GetInt("dist", job.dist);
    o.GetInt("salary", job.salary);
    o.GetInt("views", job.views);
    o.GetInt("has_viewed", job.has_viewed);
    o.GetText("province", job.province);
    o.GetText("custom_text", job.custom_text);
    o.GetText("sup_text", job.sup_text);
    o.GetText("city", job.city);
    o.GetText("company", job.company);
    o.GetText("user_info", job.user_info);
    o.GetText("qxid", job.qxid);
    o.GetText("position", job.position);
    o.GetText("salary_info", job.salary_info);
    o.GetText("crtime", job.crtime);
    o.GetText("clogo", job.clogo);
    o.GetText("share_url", job.share_url);
}

bool DecodeUsers(const Json::Value& array, UserMap& users, std::vector<std::string>& qxids) {
    if (!array.isArray()) return false;
    FlatObject flat;
    for (const Json::Value& element : array) {
        if (!FlattenObject(element, flat)) continue;
        std::string qxid;
        flat.GetText("qxid", qxid);
        qxids.push_back(qxid);
        if (users.count(qxid)) continue;
        UserRecord user;
        DecodeUserFields(flat, user);
        if (user.dist == 1 && user.utype == 1) user.contact = 1;
        users.emplace(qxid, std::move(user));
    }
    return !array.empty();
}

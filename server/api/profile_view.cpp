#include "server/api/profile_view.h"

#include "server/api/api_error.h"
#include "server/api/user_view.h"
#include "server/core/clock.h"
#include "server/core/crypto.h"
#include "server/core/text.h"
#include "server/store/friend_repo.h"
#include "server/store/task_repo.h"

namespace lumeno::server {
namespace {

Json::Value Item(int type, const std::string& k, const std::string& v) {
    Json::Value item(Json::objectValue);
    item["type"] = type;
    item["k"] = k;
    item["v"] = v;
    return item;
}

Json::Value Area(const std::string& title, Json::Value items) {
    Json::Value area(Json::objectValue);
    area["l"] = title;
    area["d"] = std::move(items);
    return area;
}

// Endorsement counts stay the same from one answer to the next.
int Endorsements(const std::string& qxid, const std::string& tag) {
    std::string digest = Md5Hex(qxid + "/" + tag);
    return 1 + static_cast<int>(std::stoul(digest.substr(0, 4), nullptr, 16) % 40);
}

int DegreeOf(const std::string& education) {
    if (education == "博士") return 4;
    if (education == "硕士") return 3;
    if (education == "本科") return 2;
    return education.empty() ? 0 : 1;
}

int YearsOfWork(const UserRow& u) {
    return u.work_since > 0 ? YearOf(SystemSeconds()) - u.work_since : 0;
}

Json::Value BackgroundItems(const UserRow& u) {
    Json::Value items(Json::arrayValue);
    Json::Value work = Item(1, "工作经历", CareerLine(u));
    work["start"] = u.work_since;
    work["end"] = 0;
    work["description"] = u.industry.empty() ? "" : "行业：" + u.industry;
    work["company"] = u.company;
    work["position"] = u.position;
    work["degree"] = 0;
    work["school"] = "";
    work["department"] = "";
    items.append(work);
    if (!u.school.empty()) {
        Json::Value study = Item(2, "教育经历", u.school);
        study["start"] = u.work_since > 0 ? u.work_since - 4 : 0;
        study["end"] = u.work_since;
        study["description"] = "";
        study["company"] = "";
        study["position"] = "";
        study["degree"] = DegreeOf(u.education);
        study["school"] = u.school;
        study["department"] = u.industry;
        items.append(study);
    }
    return items;
}

Json::Value ContactItems(const UserRow& u) {
    Json::Value items(Json::arrayValue);
    if (!u.mobile.empty()) {
        Json::Value phone = Item(-1, "手机号", u.mobile);
        phone["mobile"] = u.mobile;
        phone["email"] = "";
        items.append(phone);
    }
    if (!u.email.empty()) {
        Json::Value mail = Item(-1, "邮箱", u.email);
        mail["mobile"] = "";
        mail["email"] = u.email;
        items.append(mail);
    }
    return items;
}

}  // namespace

Json::Value ProfileAnswer(Viewer& viewer, const UserRow& person) {
    int dist = viewer.Dist(person.id);
    Json::Value out = OkEnvelope();
    out["card"] = UserJson(viewer, person);

    Json::Value tags(Json::arrayValue);
    for (const std::string& skill : SplitList(person.skills, ',')) {
        if (tags.size() == 8) break;
        Json::Value tag(Json::objectValue);
        tag["me"] = 0;
        tag["n"] = Endorsements(person.qxid, skill);
        tag["text"] = skill;
        tags.append(tag);
    }
    out["tags"] = std::move(tags);

    Json::Value areas(Json::arrayValue);
    Json::Value news(Json::arrayValue);
    if (dist > 0)
        news.append(
            Item(300001, "共同好友", std::to_string(viewer.CommonFriends(person.id)) + "位"));
    news.append(
        Item(300002, "最近动态", person.signature.empty() ? "更新了个人资料" : person.signature));
    if (!person.statement.empty())
        news.append(Item(300003, "求职宣言", "求职宣言:" + person.statement));
    areas.append(Area("人脉动态", std::move(news)));
    Json::Value verified(Json::arrayValue);
    verified.append(Item(1, "实名认证", person.judge ? "已认证" : "未认证"));
    areas.append(Area("实名动态", verified));
    areas.append(Area("背景", BackgroundItems(person)));
    if (dist <= 1) areas.append(Area("联系方式", ContactItems(person)));
    out["areas"] = std::move(areas);

    Json::Value button(Json::objectValue);
    if (dist == 0)
        button["t"] = "更新个人信息";
    else if (dist == 1)
        button["t"] = "发消息";
    else
        button["t"] = FindOpenRequest(viewer.db(), viewer.me().id, person.id) ? "已申请" : "加好友";
    out["button"] = button;
    return out;
}

Json::Value TalentAnswer(Viewer& viewer, const UserRow& person) {
    int years = YearsOfWork(person);
    Json::Value card(Json::objectValue);
    card["salary"] = person.salary;
    card["feed"] = "正在看机会";
    card["qxid"] = person.qxid;
    card["line3"] = std::to_string(years) + "年经验 · " + person.education;
    card["line2"] = person.city;
    card["line1"] = person.position;
    card["beats"] =
        "超过了" + std::to_string(50 + Endorsements(person.qxid, "beats")) + "%的求职者";
    card["avatar"] = AvatarUrl(viewer.base_url(), person);
    card["tid"] = person.tid;
    card["rankstr"] = years >= 8 ? "资深" : years >= 3 ? "中级" : "初级";
    card["major"] = person.major;
    card["dist"] = viewer.Dist(person.id);
    card["profession"] = person.profession;
    card["has_viewed"] = 0;
    card["id"] = static_cast<int>(person.id);

    Json::Value attitude(Json::arrayValue);
    attitude.append(Item(0, "求职心态", person.attitude));
    Json::Value career(Json::arrayValue);
    career.append(Item(0, "所属公司", person.company));
    career.append(Item(0, "工作地点", person.city));
    career.append(Item(0, "工作经验", std::to_string(years) + "年"));
    career.append(Item(0, "技能", person.skills));
    Json::Value personal(Json::arrayValue);
    personal.append(Item(0, "学历", person.education));
    if (!person.statement.empty()) personal.append(Item(0, "求职宣言", person.statement));

    Json::Value areas(Json::arrayValue);
    areas.append(Area("求职心态", attitude));
    areas.append(Area("职场信息", career));
    areas.append(Area("个人信息", personal));

    Json::Value out = OkEnvelope();
    out["card"] = std::move(card);
    out["areas"] = std::move(areas);
    return out;
}

Json::Value TryAddAnswer(Viewer& viewer, const UserRow& person) {
    Json::Value mutual(Json::arrayValue);
    std::vector<std::int64_t> theirs = FriendsOf(viewer.db(), person.id);
    for (std::int64_t id : theirs) {
        if (viewer.Dist(id) != 1 || mutual.size() == 10) continue;
        const UserRow* friend_row = viewer.User(id);
        if (!friend_row) continue;
        Json::Value m(Json::objectValue);
        m["cmf"] = viewer.CommonFriends(id);
        m["qxid"] = friend_row->qxid;
        m["career"] = CareerLine(*friend_row);
        m["name"] = friend_row->name;
        m["attach"] = "请帮我引荐一下" + person.name;
        m["avatar"] = AvatarUrl(viewer.base_url(), *friend_row);
        m["desc"] = "你们的共同好友";
        mutual.append(m);
    }
    Json::Value out = OkEnvelope();
    out["midcnt"] = viewer.CommonFriends(person.id);
    out["dist"] = viewer.Dist(person.id);
    out["reconly"] = person.reconly;
    out["attach"] = "你好，我是" + viewer.me().name + "，" + CareerLine(viewer.me());
    out["hint"] = person.reconly ? "对方只接受好友推荐" : "添加好友需要对方验证";
    out["hint1"] = "你们有" + std::to_string(viewer.CommonFriends(person.id)) + "位共同好友";
    out["hint2"] = "选择好友等级后发送请求";
    out["hint3"] = "";
    out["midus"] = std::move(mutual);
    return out;
}

}  // namespace lumeno::server

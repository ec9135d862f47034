#include "server/api/task_view.h"

#include "server/api/user_view.h"
#include "server/core/clock.h"
#include "server/store/conversation_repo.h"
#include "server/store/job_repo.h"

namespace lumeno::server {
namespace {

struct Buttons {
    const char* action = "";
    const char* action_done = "";
    const char* ignore = "忽略";
    const char* ignore_done = "已忽略";
};

Buttons ButtonsFor(int type) {
    switch (type) {
        case kTaskLevelRequest:
            return {"同意", "已同意"};
        case kTaskProfileViews:
            return {"", "", "知道了", "已读"};
        case kTaskRecommendation:
            return {"转达", "已转达"};
        case kTaskFriendRequest:
            return {"接受", "已接受"};
        case kTaskJobOffer:
            return {"投递简历", "已投递", "不感兴趣", "已忽略"};
        case kTaskGroupInvitation:
            return {"加入", "已加入"};
        default:
            return {"去完善", "已完善"};
    }
}

std::string NameOf(Viewer& viewer, std::int64_t id) {
    const UserRow* u = viewer.User(id);
    return u ? u->name : "";
}

std::string QxidOf(Viewer& viewer, std::int64_t id) {
    const UserRow* u = viewer.User(id);
    return u ? u->qxid : "";
}

}  // namespace

std::string PersonLink(const std::string& qxid, const std::string& name) {
    return "<dref v=" + qxid + " >" + name + "</dref>";
}

std::string TaskTitle(Viewer& viewer, const TaskRow& t) {
    std::string from = NameOf(viewer, t.from_id);
    switch (t.type) {
        case kTaskLevelRequest:
            return from + " 希望将好友等级调整为LV" + std::to_string(t.level);
        case kTaskProfileViews:
            return from + " 最近看过你的资料";
        case kTaskRecommendation:
            return from + " 希望你把TA推荐给 " + NameOf(viewer, t.other_id);
        case kTaskFriendRequest:
            return from + " 请求添加你为好友";
        case kTaskJobOffer: {
            std::optional<JobRow> job = FindJob(viewer.db(), t.jid);
            return job ? job->company + " · " + job->position + " · " + job->salary_info
                       : "职位推荐";
        }
        case kTaskGroupInvitation: {
            std::optional<ConversationRow> c = FindConversation(viewer.db(), t.mid);
            return from + " 邀请你加入群聊「" + (c ? c->name : std::string()) + "」";
        }
        default:
            return "完善资料，让更多人脉找到你";
    }
}

Json::Value TaskJson(Viewer& viewer, const TaskRow& t) {
    static const char* const kTitles[] = {"",         "好友等级申请", "谁看过我", "推荐请求",
                                          "好友请求", "职位推荐",     "群聊邀请"};
    const UserRow* from = viewer.User(t.from_id);
    bool open = t.done == kTaskOpen;
    Buttons b = ButtonsFor(t.type);

    Json::Value j(Json::objectValue);
    j["layout"] = t.type == kTaskRecommendation || t.type == kTaskFriendRequest ? 2 : 1;
    j["icon_user"] = t.type == kTaskJobOffer ? 0 : 1;
    j["icon_jid"] = static_cast<int>(t.jid);
    j["judge"] = from ? from->judge : 0;
    j["dist"] = from ? viewer.Dist(from->id) : 3;
    j["id"] = static_cast<int>(t.id);
    j["show_attach"] = t.attach.empty() ? 0 : 1;
    j["type"] = t.type;
    j["done"] = t.done;
    j["uptime"] = TimeText(t.crtime);
    j["title"] = t.type >= 1 && t.type <= 6 ? kTitles[t.type] : "完善个人资料";
    j["text"] = TaskTitle(viewer, t);
    std::string rtext;
    if (from && t.type == kTaskFriendRequest)
        rtext = PersonLink(from->qxid, from->name) + "<dref>请求添加你为好友</dref>（LV" +
                std::to_string(t.level) + "）";
    if (from && t.type == kTaskRecommendation)
        rtext = PersonLink(from->qxid, from->name) + "<dref>希望你把TA推荐给</dref>" +
                NameOf(viewer, t.other_id);
    j["rtext"] = rtext;
    j["icon_qxid"] = from ? from->qxid : "";
    j["attach"] = t.attach;
    std::string icon;
    std::string job_url;
    if (t.type == kTaskJobOffer) {
        if (std::optional<JobRow> job = FindJob(viewer.db(), t.jid))
            icon = viewer.Url(job->logo_key);
        job_url = viewer.base_url() + "/share/job/" + std::to_string(t.jid);
    } else if (from) {
        icon = AvatarUrl(viewer.base_url(), *from);
    }
    j["icon"] = icon;
    j["job_url"] = job_url;
    j["resume_url"] = viewer.base_url() + "/share/resume/" + viewer.me().qxid;
    std::string qxids = from ? from->qxid : "";
    if (t.type == kTaskRecommendation) qxids += "," + QxidOf(viewer, t.other_id);
    j["qxids"] = qxids;
    j["btn_action"] = open && b.action[0] != '\0' ? 1 : 0;
    j["btn_action_text"] = b.action;
    j["btn_action_url"] =
        t.type == kTaskCompleteProfile ? viewer.base_url() + "/share/edit" : std::string();
    j["action_text"] = b.action_done;
    j["btn_ignore"] = open ? 1 : 0;
    j["btn_ignore_text"] = b.ignore;
    j["ignore_text"] = b.ignore_done;
    if (t.type == kTaskLevelRequest || t.type == kTaskRecommendation) {
        Json::Value confirm(Json::objectValue);
        confirm["post"] = 1;
        confirm["text"] = t.type == kTaskLevelRequest
                              ? "同意 " + NameOf(viewer, t.from_id) + " 的好友等级申请吗？"
                              : "你好，我是" + NameOf(viewer, t.from_id) + "，希望通过" +
                                    viewer.me().name + "认识你";
        confirm["btn_action"] = 1;
        confirm["btn_action_text"] = t.type == kTaskLevelRequest ? "同意" : "确定";
        confirm["btn_ignore"] = 1;
        confirm["btn_ignore_text"] = t.type == kTaskLevelRequest ? "取消" : "关闭";
        j["confirm"] = confirm;
    }
    return j;
}

}  // namespace lumeno::server

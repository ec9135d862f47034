#include "server/api/message_view.h"

#include <algorithm>

#include "server/api/user_view.h"
#include "server/core/clock.h"
#include "server/core/text.h"
#include "server/store/job_repo.h"

namespace lumeno::server {
namespace {

// Thumbnails fit into 200 × 200 pixels.
void ThumbnailSize(int width, int height, int& tx, int& ty) {
    tx = width;
    ty = height;
    if (width <= 0 || height <= 0) return;
    if (width > 200 || height > 200) {
        if (width >= height) {
            tx = 200;
            ty = std::max(1, height * 200 / width);
        } else {
            ty = 200;
            tx = std::max(1, width * 200 / height);
        }
    }
}

Json::Value FileJson(Viewer& viewer, const MessageRow& m) {
    Json::Value f(Json::objectValue);
    int tx = 0, ty = 0;
    ThumbnailSize(m.xsize, m.ysize, tx, ty);
    f["xsize"] = m.xsize;
    f["ysize"] = m.ysize;
    f["tx"] = tx;
    f["ty"] = ty;
    f["duration"] = m.duration;
    f["url"] = viewer.Url(m.file_key);
    f["turl"] = m.file_type == kPictureFile ? viewer.Url(m.file_key) + "?thumb=1" : "";
    return f;
}

Json::Value JobJson(Viewer& viewer, const JobRow& job) {
    Json::Value j(Json::objectValue);
    const UserRow* poster = viewer.User(job.poster_id);
    j["id"] = static_cast<int>(job.id);
    j["status"] = job.status;
    j["dist"] = viewer.Dist(job.poster_id);
    j["salary"] = job.salary;
    j["views"] = job.views;
    j["has_viewed"] = 0;
    j["province"] = job.province;
    j["custom_text"] = job.custom_text;
    j["sup_text"] = job.sup_text;
    j["city"] = job.city;
    j["company"] = job.company;
    j["user_info"] = poster ? poster->name + " · " + CareerLine(*poster) : "";
    j["qxid"] = poster ? poster->qxid : "";
    j["position"] = job.position;
    j["salary_info"] = job.salary_info;
    j["crtime"] = TimeText(job.crtime);
    j["clogo"] = viewer.Url(job.logo_key);
    j["share_url"] = viewer.base_url() + "/share/job/" + std::to_string(job.id);
    if (poster) j["user"] = UserJson(viewer, *poster);
    return j;
}

Json::Value ResumeJson(Viewer& viewer, const UserRow& owner) {
    Json::Value r(Json::objectValue);
    int years = owner.work_since > 0 ? YearOf(SystemSeconds()) - owner.work_since : 0;
    r["dist"] = viewer.Dist(owner.id);
    r["work_time"] = years;
    r["id"] = static_cast<int>(owner.id);
    r["province"] = owner.province;
    r["realname"] = owner.name;
    r["wt"] = years > 0 ? std::to_string(years) + "年工作经验" : "";
    r["wbname"] = owner.username;
    r["avatar"] = AvatarUrl(viewer.base_url(), owner);
    r["position"] = owner.position;
    r["line"] = CareerLine(owner);
    r["qxid"] = owner.qxid;
    r["share_url"] = viewer.base_url() + "/share/resume/" + owner.qxid;
    return r;
}

std::string DisplayText(const MessageRow& m) {
    if (!m.text.empty()) return m.text;
    if (m.type == kPictureMessage) return "[图片]";
    if (m.type == kVoiceMessage) return "[语音]";
    return {};  // cards, jobs and résumés: the client writes its own label
}

}  // namespace

bool IsJobType(int type) {
    return type == 100 || (type >= 102 && type <= 104);
}

Json::Value MessageJson(Viewer& viewer, const MessageRow& m, std::int64_t last_read_did) {
    const UserRow& me = viewer.me();
    const UserRow* sender = viewer.User(m.sender_id);
    bool is_me = m.sender_id == me.id;
    bool unread = false;
    if (!is_me) {
        unread =
            m.type == kVoiceMessage ? !AudioPlayed(viewer.db(), me.id, m.id) : m.id > last_read_did;
    }
    bool atme = false;
    for (const std::string& q : SplitList(m.atuids, ','))
        if (q == me.qxid) atme = true;

    Json::Value j(Json::objectValue);
    j["type"] = m.type;
    j["is_me"] = is_me ? 1 : 0;
    j["unread"] = unread ? 1 : 0;
    j["anonym"] = m.anonym;
    j["atme"] = atme ? 1 : 0;
    j["old_id"] = 0;
    j["mid"] = static_cast<int>(m.mid);
    j["file_type"] = m.file_type;
    j["uptimestamp"] = static_cast<int>(m.crtime);
    j["crtimestamp"] = static_cast<int>(m.crtime);
    j["file_id"] = m.file_type != 0 ? static_cast<int>(m.id) : 0;
    j["id"] = static_cast<int>(m.id);
    j["reveal_uid"] = 0;
    j["jid"] = static_cast<int>(m.jid);
    j["reveal_tid"] = "";
    j["msghash"] = m.msghash;
    j["crtime"] = TimeText(m.crtime);
    j["qxid"] = sender ? sender->qxid : "";
    j["uptime"] = TimeText(m.crtime);
    j["text"] = DisplayText(m);
    j["tid"] = sender ? sender->tid : "";
    if (m.file_type != 0) j["file"] = FileJson(viewer, m);
    if (m.type == kCardMessage && m.ref_user > 0) {
        if (const UserRow* card = viewer.User(m.ref_user)) {
            j["reveal_uid"] = static_cast<int>(card->id);
            j["reveal_tid"] = card->tid;
            j["reveal_user"] = UserJson(viewer, *card);
        }
    }
    if (IsJobType(m.type) && m.jid > 0) {
        if (std::optional<JobRow> job = FindJob(viewer.db(), m.jid))
            j["job"] = JobJson(viewer, *job);
    }
    if (m.type == kResumeMessage && m.ref_user > 0) {
        if (const UserRow* owner = viewer.User(m.ref_user))
            j["resume_user"] = ResumeJson(viewer, *owner);
    }
    return j;
}

std::string SummaryText(Viewer& viewer, const MessageRow& m, bool in_group) {
    std::string body;
    switch (m.type) {
        case kVoiceMessage:
            body = "[语音]";
            break;
        case kPictureMessage:
            body = "[图片]";
            break;
        case kCardMessage:
            body = "[人脉名片]";
            break;
        case kResumeMessage:
            body = "[简历]";
            break;
        default:
            body = IsJobType(m.type) ? "[职位]" : m.text;
    }
    if (!in_group || m.type == kNoticeMessage) return body;
    std::string who = "匿名";
    if (!m.anonym) {
        const UserRow* sender = viewer.User(m.sender_id);
        who = sender ? sender->name : "";
    }
    return who.empty() ? body : who + ": " + body;
}

}  // namespace lumeno::server

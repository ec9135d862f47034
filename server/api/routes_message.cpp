// Conversations and messages: synchronisation, history, read marks, sending, voice clips.
#include <algorithm>
#include <climits>

#include "server/api/api_error.h"
#include "server/api/conversation_ops.h"
#include "server/api/message_view.h"
#include "server/api/op_scope.h"
#include "server/api/request_args.h"
#include "server/api/routes.h"
#include "server/api/sync_page.h"
#include "server/core/clock.h"
#include "server/core/crypto.h"
#include "server/core/text.h"
#include "server/media/image_probe.h"
#include "server/store/file_repo.h"
#include "server/store/message_repo.h"

namespace lumeno::server {
namespace {

constexpr size_t kMaxTextPoints = 5000;
constexpr size_t kMaxPictureBytes = 10 * 1024 * 1024;

// A time mark: "0" or a time text; anything else is refused.
std::string TimeMark(const httplib::Request& req, const char* name, const char* fallback) {
    std::string value = ArgText(req, name).value_or(fallback);
    if (value.empty()) value = fallback;
    if (value != "0" && !ParseTimeText(value)) throw BadParameter(name, "not a time");
    return value;
}

Json::Value GetMsgDlg(Call& call) {
    const httplib::Request& req = call.req;
    SyncQuery q;
    q.after_d_time = TimeMark(req, "after_d_time", "0");
    q.last_c_time = TimeMark(req, "last_c_time", "0");
    q.after_m_time = TimeMark(req, "after_m_time", "0");
    q.after_mid = IntOr(req, "after_mid", 0, 0, INT32_MAX);
    q.after_did = IntOr(req, "after_did", 0, 0, INT32_MAX);
    q.count = IntOr(req, "count", 200, 1, INT32_MAX);
    IntOr(req, "d_page", 0, 0, INT32_MAX);
    IntOr(req, "hints", 0, 0, 1);
    OpScope op(call);
    Json::Value out = SyncPage(call, op.viewer(), q);
    op.Commit();
    return out;
}

Json::Value GetMessage(Call& call) {
    const httplib::Request& req = call.req;
    std::int32_t mid = RequireInt(req, "mid", 1, INT32_MAX);
    std::int32_t before_id = IntOr(req, "before_id", 0, 0, INT32_MAX);
    std::int32_t count =
        std::min(IntOr(req, "count", 50, 1, INT32_MAX), call.service.config().max_page);
    IntOr(req, "hints", 0, 0, 1);
    OpScope op(call);
    WritableConversation c = RequireMembership(op.db(), mid, op.me().id, false);
    // Newer messages than the user's synchronisation reached come through the synchronisation,
    // so that history never runs ahead of it.
    SyncMarks marks = LoadSyncMarks(op.db(), op.me().id);
    std::int64_t upper = before_id == 0 && marks.synced ? marks.cursor : INT64_MAX;
    std::vector<MessageRow> rows = VisibleBefore(op.db(), c.member, before_id, upper, count + 1);
    bool hasmore = static_cast<int>(rows.size()) > count;
    if (hasmore) rows.resize(static_cast<size_t>(count));
    std::reverse(rows.begin(), rows.end());
    Json::Value dialogues(Json::arrayValue);
    for (const MessageRow& m : rows)
        dialogues.append(MessageJson(op.viewer(), m, c.member.last_read_did));
    Json::Value out = OkEnvelope();
    out["hasmore"] = hasmore;
    out["count"] = static_cast<int>(dialogues.size());
    out["dialogues"] = std::move(dialogues);
    op.Commit();
    return out;
}

Json::Value ClearBadge(Call& call) {
    std::int32_t mid = RequireInt(call.req, "mid", 1, INT32_MAX);
    std::int32_t last_did = IntOr(call.req, "last_did", 0, 0, INT32_MAX);
    OpScope op(call);
    WritableConversation c = RequireMembership(op.db(), mid, op.me().id, false);
    std::optional<MessageRow> newest = NewestVisible(op.db(), c.member);
    std::int64_t newest_id = newest ? newest->id : c.member.last_read_did;
    std::int64_t target = last_did > 0 ? std::min<std::int64_t>(last_did, newest_id) : newest_id;
    std::int64_t mark = std::max(c.member.last_read_did, target);
    SetLastRead(op.db(), mid, op.me().id, mark, op.store().Now());
    c.member.last_read_did = mark;
    Json::Value out = OkEnvelope();
    out["badge"] = CountUnread(op.db(), c.member);
    op.Commit();
    return out;
}

Json::Value Acknowledge(const MessageRow& m) {
    Json::Value out = OkEnvelope();
    out["id"] = static_cast<int>(m.id);
    out["mid"] = static_cast<int>(m.mid);
    out["msghash"] = m.msghash;
    out["crtime"] = TimeText(m.crtime);
    out["crtimestamp"] = static_cast<int>(m.crtime);
    return out;
}

Json::Value AddDialogue(Call& call) {
    const httplib::Request& req = call.req;
    std::int32_t mid = RequireInt(req, "mid", 1, INT32_MAX);
    std::string text = ArgText(req, "text").value_or("");
    if (!IsValidUtf8(text)) throw BadParameter("text", "not UTF-8 text");
    if (CodePointCount(text) > kMaxTextPoints)
        throw ApiError(kTooLarge, "消息太长", "text_too_long",
                       "at most " + std::to_string(kMaxTextPoints) + " characters");
    std::string msghash = ArgText(req, "msghash").value_or("");
    if (msghash.size() > 128) throw BadParameter("msghash", "longer than 128 bytes");
    std::int32_t is_anony = IntOr(req, "is_anony", 0, 0, 1);
    std::int32_t xsize = IntOr(req, "xsize", 0, 0, 100000);
    std::int32_t ysize = IntOr(req, "ysize", 0, 0, 100000);
    std::string atuids = ArgText(req, "atuids").value_or("");
    const httplib::MultipartFormData* pic = ArgFile(req, "pic");
    std::optional<ImageInfo> image;
    if (pic && !pic->content.empty()) {
        if (pic->content.size() > kMaxPictureBytes)
            throw ApiError(kTooLarge, "图片太大", "picture_too_large", "at most 10 MiB");
        image = ProbeImage(pic->content);
        if (!image) throw ApiError(kBadParameter, "不支持的图片格式", "bad_picture", "pic");
    }
    if (text.empty() && !image) throw ApiError(kBadParameter, "消息内容为空", "empty_message", "");

    OpScope op(call);
    Database& db = op.db();
    WritableConversation c = RequireMembership(db, mid, op.me().id, true);
    if (!msghash.empty()) {
        if (std::optional<MessageRow> earlier = FindByHash(db, mid, op.me().id, msghash))
            return Acknowledge(*earlier);  // a repeated send stores nothing new
    }
    std::vector<std::string> mentioned;
    for (const std::string& q : SplitList(atuids, ','))
        if (std::optional<UserRow> u = FindUserByQxid(db, q))
            if (FindMember(db, mid, u->id)) mentioned.push_back(q);

    MessageRow m;
    m.mid = mid;
    m.sender_id = op.me().id;
    m.type = image ? kPictureMessage : kTextMessage;
    m.text = text;
    m.msghash = msghash;
    m.crtime = op.store().Now();
    m.anonym = is_anony;
    m.atuids = JoinList(mentioned, ",");
    if (image) {
        m.file_type = kPictureFile;
        m.file_key = "/files/pic/" + RandomHex(8) + image->extension;
        m.xsize = xsize > 0 ? xsize : image->width;
        m.ysize = ysize > 0 ? ysize : image->height;
        PutFile(db, m.file_key, image->mime, pic->content);
    }
    InsertMessage(op.store(), m);

    // Members who deleted the conversation, or never saw it, get it back with this message.
    Stamp stamp = op.store().NextStamp();
    Statement s = db.Prepare("SELECT user_id, left_did, status_ts FROM members WHERE mid=?");
    s.Bind(1, mid);
    std::vector<std::int64_t> revive;
    std::vector<std::int64_t> reveal;
    while (s.Step()) {
        bool direct = c.conversation.type != kGroupConversation;
        if (direct && s.Int(1) != 0)
            revive.push_back(s.Int(0));
        else if (s.Int(1) == 0 && s.Int(2) == 0)
            reveal.push_back(s.Int(0));
    }
    for (std::int64_t user : revive)
        ReactivateMember(db, mid, user, stamp);
    for (std::int64_t user : reveal)
        StampMember(db, mid, user, stamp);
    SetLastRead(db, mid, op.me().id, m.id, op.store().Now());
    BumpActiveMembers(op.store(), mid);
    op.Commit();
    return Acknowledge(m);
}

Json::Value ClearAudioUnread(Call& call) {
    std::int32_t did = RequireInt(call.req, "did", 1, INT32_MAX);
    OpScope op(call);
    std::optional<MessageRow> m = FindMessage(op.db(), did);
    if (!m) throw ApiError(kNotFound, "消息不存在", "no_message", "did " + std::to_string(did));
    std::optional<MemberRow> member = FindMember(op.db(), m->mid, op.me().id);
    if (!member || !Visible(*member, m->id))
        throw ApiError(kForbidden, "无权访问该消息", "not_visible", "did " + std::to_string(did));
    if (m->type != kVoiceMessage)
        throw ApiError(kBadParameter, "不是语音消息", "not_voice", "did " + std::to_string(did));
    MarkAudioPlayed(op.db(), op.me().id, did);
    op.Commit();
    return OkEnvelope();
}

}  // namespace

void RegisterMessageRoutes(Routes& routes) {
    routes.Get("/lumeno/msg/v3/get_msg_dlg", GetMsgDlg);
    routes.Get("/lumeno/msg/v3/get_message", GetMessage);
    routes.Get("/lumeno/msg/v3/clear_badge", ClearBadge);
    routes.Post("/lumeno/msg/v3/add_dialogue", AddDialogue);
    routes.Get("/lumeno/msg/v3/clear_audio_unread", ClearAudioUnread);
}

}  // namespace lumeno::server

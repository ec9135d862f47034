#include <algorithm>
#include <memory>

#include "api/decoders.h"
#include "api/display_time.h"
#include "api/record_rules.h"
#include "flow/async_work_flow.h"

namespace {

// Made on the heap on the worker, so that the UI thread only hands the record to the store.
using DecodedMessage = std::unique_ptr<MessageRecord>;

DecodedMessage DecodeOne(const Json::Value& element) {
    FlatObject o;
    if (!FlattenObject(element, o)) return nullptr;
    auto out = std::make_unique<MessageRecord>();
    MessageRecord& m = *out;
    o.GetText("crtime", m.crtime);
    o.GetText("qxid", m.qxid);
    o.GetText("uptime", m.uptime);
    o.GetText("text", m.text);
    o.GetText("tid", m.tid);
    o.GetText("msghash", m.msghash);
    o.GetText("reveal_tid", m.reveal_tid);
    o.GetFlag("is_me", m.is_me);
    o.GetFlag("unread", m.unread);
    o.GetInt("old_id", m.old_id);
    o.GetFlag("anonym", m.anonym);
    o.GetFlag("atme", m.atme);
    o.GetInt("mid", m.mid);
    o.GetInt("uptimestamp", m.uptimestamp);
    o.GetInt("crtimestamp", m.crtimestamp);
    o.GetInt("file_id", m.file_id);
    o.GetInt("file_type", m.file_type);
    o.GetInt("reveal_uid", m.reveal_uid);
    o.GetInt("jid", m.jid);
    o.GetInt("type", m.type);
    o.GetInt("id", m.id);

    FlatObject member;
    if (const Json::Value* file = ObjectMember(element, "file");
        file && FlattenObject(*file, member)) {
        member.GetInt("duration", m.file.duration);
        member.GetInt("xsize", m.file.xsize);
        member.GetInt("ysize", m.file.ysize);
        member.GetInt("tx", m.file.tx);
        member.GetInt("ty", m.file.ty);
        member.GetText("url", m.file.url);
        member.GetText("turl", m.file.turl);
    }
    if (const Json::Value* revealed = ObjectMember(element, "reveal_user");
        revealed && FlattenObject(*revealed, member)) {
        DecodeUserFields(member, m.reveal_user);
    }
    if (const Json::Value* job = ObjectMember(element, "job")) {
        if (const Json::Value* poster = ObjectMember(*job, "user");
            poster && FlattenObject(*poster, member)) {
            DecodeUserFields(member, m.job.poster);
        }
        if (FlattenObject(*job, member)) DecodeJob(member, m.job);
    }
    if (const Json::Value* resume = ObjectMember(element, "resume_user");
        resume && FlattenObject(*resume, member)) {
        ResumeRecord& r = m.resume_user;
        member.GetInt("dist", r.dist);
        member.GetInt("work_time", r.work_time);
        member.GetInt("id", r.id);
        member.GetText("province", r.province);
        member.GetText("realname", r.realname);
        member.GetText("wt", r.wt);
        member.GetText("wbname", r.wbname);
        member.GetText("avatar", r.avatar);
        member.GetText("position", r.position);
        member.GetText("line", r.line);
        member.GetText("qxid", r.qxid);
        member.GetText("share_url", r.share_url);
    }
    return out;
}

}  // namespace

bool DecodeMessages(const Json::Value& root, CDBMsgDlg& store, std::vector<std::int32_t>& newIds,
                    CAsyncWorkFlow& flow, const std::string& myQxid,
                    std::vector<std::int32_t>* delivered) {
    const Json::Value* array = ArrayMember(root, "dialogues");
    if (!array) return false;
    const std::size_t count = array->size();
    for (std::size_t start = 0; start < count; start += kDecodeChunk) {
        const std::size_t end = std::min(count, start + kDecodeChunk);
        std::vector<DecodedMessage> decoded = PoolScope::Run(flow, [&] {
            std::vector<DecodedMessage> chunk;
            chunk.reserve(end - start);
            for (std::size_t i = start; i < end; ++i) {
                chunk.push_back(DecodeOne((*array)[static_cast<Json::ArrayIndex>(i)]));
            }
            return chunk;
        });
        for (DecodedMessage& item : decoded) {
            if (!item) continue;
            MessageRecord& m = *item;
            if (delivered) delivered->push_back(m.id);
            if (store.FindMessage(m.id)) continue;  // a stored message never changes
            SummaryTextForType(m.text, m.type);
            if (m.is_me) m.qxid = myQxid;
            if (ConversationRecord* conversation = store.FindConversation(m.mid);
                conversation && conversation->last_dialog_id < m.id) {
                conversation->last_dialog_id = m.id;
                conversation->last_dialog_timestamp = m.uptimestamp;
                conversation->last_dialog_time = m.uptime;
                conversation->text = m.text;  // emoji left as they are in the summary
                conversation->display_time = FormatDisplayTime(conversation->last_dialog_timestamp);
            }
            ReplaceEmoji(m.text);
            const std::int32_t id = m.id;
            store.AddMessage(id, std::move(item));
            newIds.push_back(id);
        }
    }
    return true;
}

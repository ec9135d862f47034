#include "api/group_chat.h"

#include <strings.h>

#include <algorithm>
#include <ctime>
#include <set>

#include "api/api_controller.h"
#include "api/contacts.h"
#include "api/conversation_changes.h"
#include "api/conversation_sync.h"
#include "api/display_time.h"
#include "api/file_names.h"
#include "api/json_access.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "config/config.h"
#include "flow/async_work_flow.h"
#include "net/http_request.h"
#include "net/url_encode.h"
#include "platform/directories.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_helper.h"

namespace {

constexpr std::int32_t kAnonymousConversationType = 1;
constexpr std::int32_t kBuiltInRestrictedGroups[] = {1532144, 1412131};

bool SameQxid(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// The people of a conversation apart from the signed-in user: group member lists name everyone,
// one-to-one lists only the other person.
std::set<std::string> OthersOf(const std::vector<std::string>& qxids) {
    const std::string& me = CDBLogin::Instance().Record().qxid;
    std::set<std::string> others;
    for (const std::string& qxid : qxids) {
        if (!qxid.empty() && !SameQxid(qxid, me)) others.insert(qxid);
    }
    return others;
}

std::string JoinEncoded(const std::vector<std::string>& qxids) {
    std::string joined;
    for (const std::string& qxid : qxids)
        joined += (joined.empty() ? "" : ",") + UrlEncode(qxid);
    return joined;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        if (comma > start) parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return parts;
}

std::string ChangeMembers(bool add, std::int32_t id, const std::vector<std::string>& qxids,
                          CAsyncWorkFlow& flow) {
    const std::string url = ApiUrl("msg", add ? "add_user" : "remove_user") +
                            "?mid=" + std::to_string(id) + "&uids=" + JoinEncoded(qxids) + "&" +
                            AuthQuery();
    return PoolScope::Run(flow, [&] { return HttpGetText(url); });
}

// Single conversations whose switches changed, written by one flow, one batch at a time. A change
// made while a batch is written waits here for the flow's next round: the last change lands.
struct ConversationWrites {
    std::set<std::int32_t> waiting;
    FlowHandle writer;
};

ConversationWrites& Writes() {
    static ConversationWrites writes;
    return writes;
}

void WriteConversation(std::int32_t id) {
    ConversationWrites& writes = Writes();
    writes.waiting.insert(id);
    RunFlowOnce(writes.writer, [](CAsyncWorkFlow& flow) {
        ConversationWrites& round = Writes();
        while (!round.waiting.empty()) {
            const std::vector<std::int32_t> ids(round.waiting.begin(), round.waiting.end());
            round.waiting.clear();
            CSQLiteHelper::Instance().SaveConversations(CDBMsgDlg::Instance(), ids, flow);
        }
    });
}

}  // namespace

std::string ConversationIdQuery(const std::vector<std::string>& memberQxids) {
    if (memberQxids.size() == 1) return "qxid=" + UrlEncode(memberQxids[0]) + "&mtype=1";
    return "dst_uids=" + JoinEncoded(memberQxids) + "&mtype=4";
}

namespace {

// A conversation answer into the store; `group` when it names several people.
std::int32_t ApplyConversationAnswer(const std::string& answer,
                                     const std::vector<std::string>& memberQxids, bool group) {
    Json::Value root;
    FlatObject o;
    if (!ParseJson(answer, root) || !FlattenObject(root, o)) return 0;
    std::string result;
    o.GetText("result", result);
    std::int32_t mid = 0;
    o.GetInt("mid", mid);
    if (strcasecmp(result.c_str(), "ok") != 0 || mid <= 0) return 0;
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    // Windows and lists hold stored conversations: a known id is updated in place.
    const bool known = store.FindConversation(mid) != nullptr;
    ConversationRecord& conversation = store.ConversationFor(mid);
    std::int32_t type = -1;
    o.GetInt("type", type);
    if (!group && !memberQxids.empty()) {
        if (const UserRecord* member = FindUser(memberQxids[0])) {
            conversation.name = member->name;
            conversation.peer_judge = member->judge;
        }
        conversation.member_ids = memberQxids;
        conversation.uids = memberQxids[0];
        if (!known && type >= 0) conversation.type = type;
    } else {
        o.GetText("name", conversation.name);
        std::string uids;
        o.GetText("uids", uids);
        if (!uids.empty()) {
            conversation.uids = uids;
            conversation.member_ids = SplitList(uids);
        }
        // Several people make a group, whatever the answer says of its type.
        conversation.type = kGroupConversationType;
    }
    if (!known || conversation.display_time.empty())
        conversation.display_time = FormatDisplayTime(std::time(nullptr));
    NoteConversationChange(mid);
    return mid;
}

}  // namespace

std::int32_t DecodeNewConversation(const std::string& answer,
                                   const std::vector<std::string>& memberQxids) {
    return ApplyConversationAnswer(answer, memberQxids, memberQxids.size() != 1);
}

std::int32_t GetConversationId(ErrorRecord* error, bool anonymous, CAsyncWorkFlow& flow,
                               const std::vector<std::string>& memberQxids) {
    const std::set<std::string> wanted = OthersOf(memberQxids);
    if (wanted.empty()) return 0;
    CDBMsgDlg& store = CDBMsgDlg::Instance();
    std::vector<std::int32_t> ids;
    for (const auto& [id, conversation] : store.Conversations())
        ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    for (std::int32_t id : ids) {
        const ConversationRecord& c = *store.FindConversation(id);
        if (c.deleted == 1 || (c.type == kAnonymousConversationType) != anonymous) continue;
        if (OthersOf(c.member_ids) == wanted) return id;
    }
    const std::vector<std::string> people(wanted.begin(), wanted.end());
    const std::string url =
        ApiUrl("msg", "get_mid") + "?" + ConversationIdQuery(people) + "&" + AuthQuery();
    const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
    if (!CheckEnvelope(answer, error)) return 0;
    return DecodeNewConversation(answer, people);
}

bool AddMembers(std::int32_t id, ErrorRecord* error, CAsyncWorkFlow& flow,
                const std::vector<std::string>& qxids) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    if (!conversation || qxids.empty()) return false;
    if (conversation->type != kGroupConversationType) {
        std::vector<std::string> everyone = qxids;
        everyone.insert(everyone.end(), conversation->member_ids.begin(),
                        conversation->member_ids.end());
        return GetConversationId(error, false, flow, everyone) > 0;
    }
    const std::string answer = ChangeMembers(true, id, qxids, flow);
    if (!CheckEnvelope(answer, error)) return false;
    // The answer names the members; the synchronisation brings everything else.
    ApplyConversationAnswer(answer, {}, true);
    StartConversationSync(SyncKind::kActiveQuery);
    return true;
}

bool RemoveMembers(std::int32_t id, ErrorRecord* error, bool leaving, CAsyncWorkFlow& flow,
                   const std::vector<std::string>& qxids) {
    const std::string answer = ChangeMembers(false, id, qxids, flow);
    CApiController& api = CApiController::Instance();
    if (!CheckEnvelope(answer, error)) {
        api.PostEvent(db_event::kMembersChanged, id, db_event::kFailed);
        return false;
    }
    if (ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id)) {
        std::vector<std::string>& members = conversation->member_ids;
        for (const std::string& qxid : qxids) {
            members.erase(std::remove_if(members.begin(), members.end(),
                                         [&](const std::string& m) { return SameQxid(m, qxid); }),
                          members.end());
        }
        conversation->uids.clear();
        for (const std::string& member : members)
            conversation->uids += (conversation->uids.empty() ? "" : ",") + member;
        NoteConversationChange(id);
    }
    if (leaving) api.PostEvent(db_event::kMembersChanged, id, db_event::kDone);
    StartConversationSync(SyncKind::kActiveQuery);
    return true;
}

bool RenameConversation(ErrorRecord* error, std::int32_t id, const std::string& name,
                        CAsyncWorkFlow& flow) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    if (!conversation || name.empty() || name == conversation->name) return false;
    const std::string url = ApiUrl("msg", "set_msg_name") + "?mid=" + std::to_string(id) +
                            "&name=" + UrlEncode(name) + "&" + AuthQuery();
    const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
    if (!CheckEnvelope(answer, error)) return false;
    if (ConversationRecord* still = CDBMsgDlg::Instance().FindConversation(id)) {
        still->name = name;
        NoteConversationChange(id);
    }
    CApiController::Instance().PostEvent(db_event::kConversationChanged, id, db_event::kDone);
    return true;
}

ConversationRecord* SetNotify(std::int32_t id, bool on) {
    ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    if (!conversation || conversation->notify == (on ? 1 : 0)) return conversation;
    conversation->notify = on ? 1 : 0;
    CApiController::Instance().PostEvent(db_event::kConversationChanged, id, db_event::kDone);
    WriteConversation(id);
    return conversation;
}

void WaitConversationWrites(CAsyncWorkFlow& flow) {
    flow.WaitFlowEnd(&Writes().writer);
}

bool AnonymousAvatarPath(const ConversationRecord* conversation, std::string& path) {
    if (!conversation || conversation->member_ids.size() != 1 ||
        conversation->type != kAnonymousConversationType || conversation->me_is_anony != 0) {
        return false;
    }
    const UserRecord* member = GetUser(conversation->member_ids[0]);
    if (!member || !IsSafeFileNamePart(member->avatar)) return false;
    path = platform::JoinPath(platform::ProgramSkinDirectory(),
                              "qxstc-ie6fix/images/anony/" + member->avatar + ".png");
    return true;
}

bool IsRestrictedGroup(std::int32_t id) {
    if (id == 0) return false;
    for (std::int32_t restricted : kBuiltInRestrictedGroups) {
        if (id == restricted) return true;
    }
    return id == ReadConfig(config_keys::kRestrictedGroup);
}

bool MayAddMembers(std::int32_t id) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(id);
    return !conversation || conversation->init_by_me != 0 || !IsRestrictedGroup(id);
}

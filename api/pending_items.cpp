#include "api/pending_items.h"

#include <strings.h>

#include <algorithm>

#include "api/api_controller.h"
#include "api/contacts.h"
#include "api/json_access.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "flow/async_work_flow.h"
#include "net/http_request.h"
#include "storage/event_bus.h"
#include "storage/msg_dlg_store.h"

namespace {

bool IsShownType(std::int32_t type) {
    using namespace pending_type;
    return type == kFriendRequest || type == kRecommendation || type == kLevelRequest ||
           type == kJobOffer || type == kGroupInvitation || type == kNotice;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> SplitAt(const std::string& text, const std::string& mark) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(mark, start)) != std::string::npos;
         start = at + mark.size()) {
        pieces.push_back(text.substr(start, at - start));
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

void ReadButton(const FlatObject& o, const char* shown, const char* text, ItemButton& button) {
    o.GetFlag(shown, button.shown);
    o.GetText(text, button.text);
}

PendingItem DecodeItem(const Json::Value& element, const FlatObject& o) {
    PendingItem item;
    o.GetInt("layout", item.layout);
    o.GetInt("icon_user", item.icon_user);
    o.GetInt("icon_jid", item.icon_jid);
    o.GetInt("judge", item.judge);
    o.GetInt("dist", item.dist);
    o.GetInt("id", item.id);
    o.GetFlag("show_attach", item.show_attach);
    o.GetInt("type", item.type);
    o.GetInt("done", item.done);
    o.GetText("uptime", item.uptime);
    o.GetText("title", item.title);
    o.GetText("text", item.text);
    o.GetText("rtext", item.rtext);
    o.GetText("icon_qxid", item.icon_qxid);
    o.GetText("attach", item.attach);
    o.GetText("icon", item.icon);
    o.GetText("job_url", item.job_url);
    o.GetText("resume_url", item.resume_url);
    std::string qxids;
    o.GetText("qxids", qxids);
    if (!qxids.empty()) item.qxids = SplitAt(qxids, ",");
    ReadButton(o, "btn_action", "btn_action_text", item.action);
    o.GetText("btn_action_url", item.action.url);
    o.GetText("action_text", item.action.done_text);
    ReadButton(o, "btn_ignore", "btn_ignore_text", item.ignore);
    o.GetText("ignore_text", item.ignore.done_text);
    FlatObject confirm;
    if (const Json::Value* object = ObjectMember(element, "confirm");
        object && FlattenObject(*object, confirm)) {
        confirm.GetInt("post", item.confirm_post);
        confirm.GetText("text", item.confirm_text);
        ReadButton(confirm, "btn_action", "btn_action_text", item.confirm_action);
        ReadButton(confirm, "btn_ignore", "btn_ignore_text", item.confirm_ignore);
    }
    DeriveItemTexts(item);
    if (item.type == pending_type::kJobOffer) {
        item.action.text = "投递简历";
        item.action.done_text = "已投递";
    }
    return item;
}

// The service accepted an answer: the store's items show it (with the person's other requests
// that accepting answered too), each is announced, and the count on the pending-items entry of
// the conversation list follows at once instead of waiting for the next synchronisation.
void NoteAnswered(std::int32_t id, ItemAnswer answer) {
    CDBSpecials& store = CDBSpecials::Instance();
    const bool held = store.Find(id) != nullptr;
    std::vector<std::int32_t> answered = store.MarkAnswered(id, answer);
    // An item the list no longer holds (answered from a profile window after the list was
    // closed) was still waiting: the service would not have taken the answer otherwise.
    const int waited = held ? static_cast<int>(answered.size()) : 1;
    if (answered.empty()) answered.push_back(id);
    CApiController& api = CApiController::Instance();
    const std::uint32_t kind =
        answer == ItemAnswer::Completed ? db_event::kPendingCompleted : db_event::kPendingIgnored;
    for (std::int32_t each : answered)
        api.PostEvent(kind, each, db_event::kDone);
    ConversationRecord* entry = CDBMsgDlg::Instance().FindConversation(kPendingItemsConversationId);
    if (!entry || waited == 0 || entry->badge <= 0) return;
    entry->badge = std::max(0, entry->badge - waited);
    api.PostEvent(db_event::kConversationChanged, kPendingItemsConversationId, db_event::kDone);
}

std::string TasksUrl(int page) {
    return ApiUrl("user", "tasks") + "?pending=1&page=" + std::to_string(page) +
           "&count=" + std::to_string(kPendingItemsPage) + "&" + AuthQuery();
}

}  // namespace

void DeriveItemTexts(PendingItem& item) {
    const auto space = item.uptime.find(' ');
    item.date = space == std::string::npos ? std::string() : item.uptime.substr(0, space);
    item.link_pieces.clear();
    item.link_value.clear();
    const std::vector<std::string> parts = SplitAt(item.rtext, "</dref>");
    if (parts.size() != 3) return;
    const std::string& p1 = parts[0];
    const std::string& p2 = parts[1];
    const auto open = p1.find("<dref");
    const auto lastClose = p1.rfind('>');
    const auto firstClose = p2.find('>');
    if (open == std::string::npos || lastClose == std::string::npos ||
        firstClose == std::string::npos) {
        return;
    }
    item.link_pieces = {p1.substr(0, open) + " ", p1.substr(lastClose + 1),
                        p2.substr(firstClose + 1) + " ", parts[2]};
    const auto value = p1.find("v=");
    if (value != std::string::npos) {
        const auto end = p1.find(' ', value + 2);
        item.link_value = Trim(
            p1.substr(value + 2, end == std::string::npos ? std::string::npos : end - value - 2));
    }
}

bool DecodePendingPage(const Json::Value& root, std::vector<PendingItem>& items, bool& hasMore) {
    FlatObject top;
    if (!FlattenObject(root, top)) return false;
    std::string result;
    top.GetText("result", result);
    const Json::Value* requests = ArrayMember(root, "requests");
    if (strcasecmp(result.c_str(), "ok") != 0 || !requests || !requests->isArray()) return false;
    for (const Json::Value& element : *requests) {
        FlatObject o;
        if (!FlattenObject(element, o)) continue;
        std::int32_t type = 0;
        o.GetInt("type", type);
        if (IsShownType(type)) items.push_back(DecodeItem(element, o));
    }
    const Json::Value& more = root["hasmore"];
    hasMore = more.isBool() && more.asBool() && !requests->empty();
    return true;
}

void RefreshPendingItems() {
    CApiController& controller = CApiController::Instance();
    controller.StartJob(controller.pendingItems, [](CAsyncWorkFlow& flow) {
        CApiController& api = CApiController::Instance();
        api.PostEvent(db_event::kPendingItems, 0, db_event::kStarted);
        api.StoreLastError(db_event::kPendingItems, ErrorRecord());
        std::vector<PendingItem> items;
        ErrorRecord error;
        bool decoded = true;
        bool hasMore = true;
        for (int page = 0; decoded && hasMore && page < kMaxPendingItemPages; ++page) {
            const std::string url = TasksUrl(page);
            decoded = PoolScope::Run(flow, [&] {
                Json::Value root;
                if (!ParseJson(HttpGetText(url), root)) return false;
                if (DecodePendingPage(root, items, hasMore)) return true;
                CheckParsedEnvelope(root, &error);
                return false;
            });
        }
        if (decoded) {
            CDBSpecials::Instance().Replace(std::move(items));
        } else {
            api.StoreLastError(db_event::kPendingItems, error);
        }
        api.PostEvent(db_event::kPendingItems, 0, decoded ? db_event::kDone : db_event::kFailed);
    });
}

std::vector<std::int32_t> PendingItemIds() {
    return CDBSpecials::Instance().Ids();
}

const PendingItem* FindPendingItem(std::int32_t id) {
    return CDBSpecials::Instance().Find(id);
}

std::string CompleteItemUrl(std::int32_t type, std::int32_t id, std::int32_t level) {
    std::string url = ApiUrl("user", "complete_task") + "?type=" + std::to_string(type) +
                      "&id=" + std::to_string(id) + "&" + AuthQuery();
    if (level != 0) url += "&lv=" + std::to_string(level);
    return url;
}

bool CompleteItem(ErrorRecord* error, std::int32_t type, std::int32_t id, std::int32_t level,
                  const std::string& attach, CAsyncWorkFlow& flow) {
    const std::string url = CompleteItemUrl(type, id, level);
    const std::string answer = PoolScope::Run(flow, [&] {
        return attach.empty() ? HttpGetText(url) : HttpPostFields(url, {{"attach", attach}});
    });
    if (!CheckEnvelope(answer, error)) return false;
    NoteAnswered(id, ItemAnswer::Completed);
    CApiController& api = CApiController::Instance();
    const PendingItem* item = FindPendingItem(id);
    if ((type == pending_type::kFriendRequest || type == pending_type::kLevelRequest) && item &&
        !item->icon_qxid.empty()) {
        const std::string qxid = item->icon_qxid;
        if (DecodeProfileAnswer(answer, qxid)) {
            if (const UserRecord* person = FindUser(qxid)) {
                // The new contact belongs in the contact list and the database at once.
                SaveUser(qxid);
                api.PostEvent(db_event::kPendingCardDelivered, person->id, db_event::kDone);
                api.PostEvent(db_event::kContacts, 0, db_event::kDone);
            }
        }
    }
    return true;
}

void CompleteItemInBackground(std::int32_t type, std::int32_t id, std::int32_t level,
                              const std::string& attach) {
    CApiController& controller = CApiController::Instance();
    controller.StartJob(controller.pendingItemFromProfile, [=](CAsyncWorkFlow& flow) {
        ErrorRecord error;
        if (!CompleteItem(&error, type, id, level, attach, flow)) {
            CApiController& api = CApiController::Instance();
            api.StoreLastError(db_event::kPendingCompleted, error);
            api.PostEvent(db_event::kPendingCompleted, id, db_event::kFailed);
        }
    });
}

bool IgnoreItem(ErrorRecord* error, std::int32_t type, std::int32_t id, CAsyncWorkFlow& flow) {
    const std::string url = ApiUrl("user", "ignore_task") + "?type=" + std::to_string(type) +
                            "&id=" + std::to_string(id) + "&" + AuthQuery();
    const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
    if (!CheckEnvelope(answer, error)) return false;
    NoteAnswered(id, ItemAnswer::Ignored);
    return true;
}

#include "api/conversation_sync.h"

#include <strings.h>

#include <algorithm>
#include <unordered_set>

#include "api/api_controller.h"
#include "api/contacts.h"
#include "api/decoders.h"
#include "api/display_time.h"
#include "api/json_access.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "config/log.h"
#include "flow/async_work_flow.h"
#include "net/http_request.h"
#include "net/long_connection.h"
#include "net/url_encode.h"
#include "storage/sqlite_helper.h"

namespace {

constexpr int kSyncPageCount = 200;
constexpr int kHistoryFetchCount = 50;
// A service that keeps saying "more" without moving its marks would page forever.
constexpr int kMostPagesPerSync = 1000;

const char* LogName(SyncKind kind) {
    return kind == SyncKind::kActiveQuery ? "主动查询" : "长连接回调";
}

CDBMsgDlg& Store() {
    return CDBMsgDlg::Instance();
}

void Post(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    CApiController::Instance().PostEvent(kind, first, second);
}

// Appends the conversations of new messages that the changed list does not hold yet.
void AddConversationsOfMessages(const std::vector<std::int32_t>& messages,
                                std::vector<std::int32_t>& changed) {
    std::unordered_set<std::int32_t> listed(changed.begin(), changed.end());
    for (std::int32_t id : messages) {
        if (const MessageRecord* message = Store().FindMessage(id);
            message && listed.insert(message->mid).second) {
            changed.push_back(message->mid);
        }
    }
}

void RebuildOrder() {
    CDBMsgDlg& store = Store();
    std::vector<const ConversationRecord*> shown;
    for (const auto& [id, conversation] : store.Conversations()) {
        if (conversation->deleted == 0 && id != kPendingItemsConversationId) {
            shown.push_back(conversation.get());
        }
    }
    std::sort(shown.begin(), shown.end(),
              [](const ConversationRecord* a, const ConversationRecord* b) {
                  if (a->last_dialog_timestamp != b->last_dialog_timestamp) {
                      return a->last_dialog_timestamp > b->last_dialog_timestamp;
                  }
                  return a->id < b->id;
              });
    store.Order().clear();
    store.Order().push_back(kPendingItemsConversationId);
    for (const ConversationRecord* conversation : shown)
        store.Order().push_back(conversation->id);
}

void StartLongConnection() {
    CApiController& controller = CApiController::Instance();
    const std::string userId = MyUserId();
    controller.StartJob(controller.longConnection, [userId](CAsyncWorkFlow& flow) {
        LongConnectionFlow(
            flow, userId, [] { StartConversationSync(SyncKind::kLongConnection); },
            CApiController::Instance().NotificationWindow());
    });
}

// A request that arrives while a synchronisation runs is remembered and served by one more pass
// of the running flow, so that news announced meanwhile is never left waiting.
bool g_passRequested = false;
SyncKind g_requestedKind = SyncKind::kActiveQuery;

// The marks a page moves when it brings anything; the service's own clock is not among them.
struct MarkSnapshot {
    std::int32_t dialogTime, statusTime, largestMessage, largestConversation;
    bool operator==(const MarkSnapshot&) const = default;
};

MarkSnapshot Marks() {
    CDBMsgDlg& store = Store();
    return {store.MaxDialogTime().stamp, store.MaxStatusTime().stamp, store.LargestMessageId(),
            store.LargestConversationId()};
}

void SyncPass(SyncKind kind, CAsyncWorkFlow& flow) {
    const char* name = LogName(kind);
    if (kind == SyncKind::kActiveQuery) Post(db_event::kConversationSync, 0, db_event::kStarted);
    WriteLog("**** %s; 开始", name);
    // The first synchronisation after sign-in brings history, not news: it opens no tabs and
    // plays no sounds. Every later pass announces what it brought, whatever its kind.
    const bool announce = !Store().InitialSyncPending();
    bool lastOk = false;
    PendingSyncWrite pending;
    for (int page = 0; page < kMostPagesPerSync; ++page) {
        const MarkSnapshot before = Marks();
        const std::string url =
            ApiUrl("msg", "get_msg_dlg") + "?" + AuthQuery() + "&" + BuildSyncQuery(kind);
        WriteLogText("****** DoGetMsgDlgImpl 开始查询后台接口");
        const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
        WriteLogText("****** DoGetMsgDlgImpl 开始解析返回数据");
        MergeResult merged = MergeSyncAnswer(answer, flow, &pending);
        AnnounceMessages(merged.delivered, announce);
        if (kind == SyncKind::kLongConnection) {
            for (std::int32_t id : merged.changed) {
                const ConversationRecord* conversation = Store().FindConversation(id);
                if (!conversation) continue;
                if (conversation->deleted == 1)
                    Post(db_event::kMembersChanged, id, db_event::kDone);
                if (conversation->deleted == 0)
                    Post(db_event::kConversationChanged, id, db_event::kDone);
            }
        } else {
            Post(db_event::kConversationSync, 0, merged.ok ? 4 : db_event::kFailed);
        }
        lastOk = merged.ok;
        if (!merged.ok) {
            // A token that no longer holds ends the session; anything else waits for the next
            // pass.
            ErrorRecord error;
            CheckEnvelope(answer, &error);
            CApiController::Instance().ReportLostSignIn(error);
            WriteLogText("****** DoGetMsgDlgImpl 解析结果失败退出");
            break;
        }
        const SyncSummary& summary = Store().Summary();
        if (summary.dlg_hasmore == 0 && summary.msg_hasmore == 0) break;
        // A service that says "more" without moving a mark or bringing a message would be asked
        // for the same page again and again.
        if (Marks() == before && merged.newMessages.empty()) {
            WriteLogText("****** DoGetMsgDlgImpl 标记未变, 停止翻页");
            break;
        }
    }
    // One write for the whole pass: a long first synchronisation rewrites no conversation per
    // page. What a cancelled pass merged is not written, and nor are its marks.
    WriteSyncPass(pending, flow);
    WriteLog("**** %s; 结束", name);
    if (lastOk) Store().InitialSyncPending() = false;
    if (lastOk && kind == SyncKind::kActiveQuery) {
        Post(db_event::kConversationSync, 0, db_event::kDone);
    }
}

void SyncFlow(SyncKind kind, CAsyncWorkFlow& flow) {
    g_passRequested = false;
    for (;;) {
        SyncPass(kind, flow);
        if (!g_passRequested) break;
        g_passRequested = false;
        kind = g_requestedKind;
    }
    StartLongConnection();
    StartPresenceHeartbeat();
    WriteLog("**** %s; 退出", LogName(kind));
}

}  // namespace

void StartConversationSync(SyncKind kind) {
    WriteLog("** %s; GetMsgDlg 开始", LogName(kind));
    CApiController& controller = CApiController::Instance();
    if (controller.conversationSync.Busy()) {
        // One more pass after the running one; a push notification asks for the kind that tells
        // of new messages.
        if (!g_passRequested || kind == SyncKind::kLongConnection) g_requestedKind = kind;
        g_passRequested = true;
        return;
    }
    controller.StartJob(controller.conversationSync,
                        [kind](CAsyncWorkFlow& flow) { SyncFlow(kind, flow); });
}

std::string BuildSyncQuery(SyncKind kind) {
    CDBMsgDlg& store = Store();
    return "after_d_time=" + UrlEncode(store.MaxDialogTime().text) +
           "&last_c_time=" + UrlEncode(store.Summary().now) +
           "&after_m_time=" + UrlEncode(store.MaxStatusTime().text) +
           "&after_mid=" + std::to_string(store.LargestConversationId()) + "&d_page=0" +
           "&after_did=" +
           std::to_string(kind == SyncKind::kLongConnection ? store.LargestMessageId() : 0) +
           "&count=" + std::to_string(kSyncPageCount) + "&hints=1";
}

MergeResult MergeSyncAnswer(const std::string& answer, CAsyncWorkFlow& flow,
                            PendingSyncWrite* pending) {
    MergeResult result;
    Json::Value root;
    PoolScope::Run(flow, [&] { ParseJson(answer, root); });
    if (!root.isObject()) return result;
    CDBMsgDlg& store = Store();
    SyncSummary& summary = store.Summary();
    DecodeSummary(root, summary, store);
    result.ok = strcasecmp(summary.result.c_str(), "ok") == 0;
    if (!result.ok) return result;

    // Decoding reads no UI state on the workers: the own qxid is copied here.
    const std::string me = CDBLogin::Instance().Record().qxid;
    UserMap users;
    DecodeConversations(root, store, result.changed, users, flow, me);
    DecodeMessages(root, store, result.newMessages, flow, me, &result.delivered);
    DecodeSpecials(root, store, result.changed);
    DecodeUpdates(root, store, result.changed);
    PoolScope::Run(flow, [&root] { root = Json::Value(); });  // a big tree goes on a worker

    AddConversationsOfMessages(result.newMessages, result.changed);
    MergeUsers(users, false, flow);
    PendingSyncWrite now;
    PendingSyncWrite& write = pending ? *pending : now;
    write.merged = true;
    if (UpdateIndex(result.changed, result.newMessages)) write.dialogMarkMoved = true;
    for (std::int32_t id : result.changed) {
        if (write.listed.insert(id).second) write.conversations.push_back(id);
    }
    if (!pending) WriteSyncPass(now, flow);
    return result;
}

bool WriteSyncPass(PendingSyncWrite& pending, CAsyncWorkFlow& flow) {
    if (!pending.merged) return true;
    // What an earlier pass could not write goes with this one: the marks written now describe
    // those conversations too.
    PendingSyncWrite taken = std::move(pending);
    pending = PendingSyncWrite{};
    PendingSyncWrite& unwritten = UnwrittenSyncWrite();
    for (std::int32_t id : unwritten.conversations) {
        if (taken.listed.insert(id).second) taken.conversations.push_back(id);
    }
    taken.dialogMarkMoved = taken.dialogMarkMoved || unwritten.dialogMarkMoved;
    unwritten = PendingSyncWrite{};
    // The marks reach the file in the same transaction as the conversations they describe, after
    // them; nothing is written before.
    CDBMsgDlg& store = Store();
    std::vector<CSQLiteHelper::SettingRow> marks{
        {1, store.Summary().nowstamp, store.Summary().now}};
    if (taken.dialogMarkMoved) {
        marks.push_back({0, store.MaxDialogTime().stamp, store.MaxDialogTime().text});
    }
    const auto outcome = CSQLiteHelper::Instance().SaveConversations(store, taken.conversations,
                                                                     flow, std::move(marks));
    if (outcome != CSQLiteHelper::BatchOutcome::kFailed) return true;
    // The file refused the batch (full disk, read-only folder): neither the conversations nor the
    // marks reached it, so the next pass writes them again with its own.
    WriteLogText("****** a synchronisation's conversations wait for the next write");
    unwritten = std::move(taken);
    return false;
}

PendingSyncWrite& UnwrittenSyncWrite() {
    static PendingSyncWrite unwritten;
    return unwritten;
}

bool UpdateIndex(const std::vector<std::int32_t>& changed, std::vector<std::int32_t>& newMessages,
                 IndexMarks marks) {
    CDBMsgDlg& store = Store();
    const bool advance = marks == IndexMarks::kAdvance;
    bool markChanged = false;
    std::vector<std::int32_t> newToIndex;
    for (std::int32_t id : newMessages) {
        const MessageRecord* message = store.FindMessage(id);
        if (!message) continue;
        if (advance && message->crtimestamp > store.MaxDialogTime().stamp) {
            store.MaxDialogTime() = SyncMark{message->crtimestamp, message->crtime};
            markChanged = true;
        }
        MessageIndexEntry& entry = store.Index()[message->mid];
        if (!entry.held.insert(id).second) continue;
        auto at = std::find_if(entry.ids.begin(), entry.ids.end(),
                               [id](std::int32_t held) { return held < id; });
        entry.ids.insert(at, id);
        newToIndex.push_back(id);
    }
    newMessages = std::move(newToIndex);

    for (std::int32_t id : changed) {
        ConversationRecord* c = store.FindConversation(id);
        if (!c) continue;
        if (advance) {
            if (c->status_timestamp > store.MaxStatusTime().stamp && !c->status_time.empty()) {
                store.MaxStatusTime() = SyncMark{c->status_timestamp, c->status_time};
            }
            store.LargestMessageId() = std::max(store.LargestMessageId(), c->last_dialog_id);
            store.LargestConversationId() = std::max(store.LargestConversationId(), c->id);
        }
        if (c->display_time.empty()) c->display_time = FormatDisplayTime(c->last_dialog_timestamp);
        if ((c->type != kGroupConversationType || c->deleted == 1) && c->member_ids.size() == 1) {
            if (const UserRecord* peer = GetUser(c->member_ids[0])) {
                c->name = peer->name;
                c->peer_avatar = peer->avatar;
                c->peer_judge = peer->judge;
            }
        }
        if (c->type == kGroupConversationType && c->deleted != 1) store.Groups()[c->id] = c;
    }
    for (auto it = store.Groups().begin(); it != store.Groups().end();) {
        const ConversationRecord* c = store.FindConversation(it->first);
        const bool stillGroup = c && c->type == kGroupConversationType && c->deleted != 1;
        it = stillGroup ? std::next(it) : store.Groups().erase(it);
    }
    if (!changed.empty()) RebuildOrder();
    return markChanged;
}

void AnnounceMessages(const std::vector<std::int32_t>& delivered, bool announce) {
    CDBMsgDlg& store = Store();
    auto& pending = CApiController::Instance().PendingSends();
    for (std::int32_t id : delivered) {
        const MessageRecord* message = store.FindMessage(id);
        if (!message || !store.Delivered().insert(id).second) continue;
        // An own send is paired with its local number whenever a pass sees it, so that the
        // window that showed it under that number replaces it.
        std::int32_t localNumber = 0;
        if (message->is_me) {
            for (auto it = pending.begin(); it != pending.end(); ++it) {
                if (it->second.msghash == message->msghash) {
                    localNumber = it->first;
                    pending.erase(it);
                    break;
                }
            }
        }
        if (announce || localNumber != 0) Post(db_event::kNewMessage, localNumber, id);
    }
}

bool ServeFromIndex(std::int32_t conversationId, std::int32_t beforeId, int pageSize,
                    std::vector<std::int32_t>& ids) {
    const MessageIndexEntry* entry = Store().FindIndexEntry(conversationId);
    if (!entry || entry->ids.empty() || pageSize < 0) return false;
    auto start = entry->ids.begin();
    if (beforeId > 0) {
        start = std::find(entry->ids.begin(), entry->ids.end(), beforeId);
        if (start == entry->ids.end()) return false;
        ++start;
    }
    const auto remaining = static_cast<std::size_t>(entry->ids.end() - start);
    const auto wanted = static_cast<std::size_t>(pageSize);
    if (entry->moreOnServer == 0) {
        ids.insert(ids.end(), start,
                   start + static_cast<std::ptrdiff_t>(std::min(wanted, remaining)));
        return true;
    }
    if (remaining < wanted) return false;
    ids.insert(ids.end(), start, start + static_cast<std::ptrdiff_t>(wanted));
    return true;
}

std::int32_t NextIndexedId(std::int32_t conversationId, std::int32_t beforeId) {
    const MessageIndexEntry* entry = Store().FindIndexEntry(conversationId);
    if (!entry || entry->ids.empty()) return 0;
    if (beforeId == 0) return entry->ids.front();
    auto at = std::find(entry->ids.begin(), entry->ids.end(), beforeId);
    if (at == entry->ids.end() || std::next(at) == entry->ids.end()) return 0;
    return *std::next(at);
}

namespace {

void FetchOlderMessages(std::int32_t conversationId, std::int32_t beforeId, ErrorRecord* error,
                        CAsyncWorkFlow& flow) {
    std::int32_t before = beforeId;
    if (const MessageIndexEntry* entry = Store().FindIndexEntry(conversationId);
        entry && !entry->ids.empty()) {
        before = std::min(before, entry->ids.back());
    }
    const std::string url =
        ApiUrl("msg", "get_message") + "?mid=" + std::to_string(conversationId) +
        "&before_id=" + std::to_string(before) +
        "&hints=1&count=" + std::to_string(kHistoryFetchCount) + "&" + AuthQuery();
    // Fetched and parsed once, on a worker; the envelope is read from the tree.
    Json::Value root;
    PoolScope::Run(flow, [&] { ParseJson(HttpGetText(url), root); });
    if (CheckParsedEnvelope(root, error)) {
        const Json::Value& more = root["hasmore"];
        const std::int32_t hasMore = more.isBool() && more.asBool() ? 1 : 0;
        std::vector<std::int32_t> fresh, changed;
        DecodeMessages(root, Store(), fresh, flow, CDBLogin::Instance().Record().qxid);
        AddConversationsOfMessages(fresh, changed);
        // History is not news: the synchronisation's marks stay where they are, so that the next
        // synchronisation still brings (and announces) whatever is newer than they say.
        UpdateIndex(changed, fresh, IndexMarks::kKeep);
        CSQLiteHelper::Instance().SaveConversations(Store(), changed, flow);
        if (MessageIndexEntry* entry = Store().FindIndexEntry(conversationId))
            entry->moreOnServer = hasMore;
    }
    PoolScope::Run(flow, [&root] { root = Json::Value(); });
}

}  // namespace

bool GetHistoryPage(std::int32_t conversationId, std::int32_t beforeId, int pageSize,
                    std::vector<std::int32_t>& ids, ErrorRecord* error, CAsyncWorkFlow& flow) {
    bool served = ServeFromIndex(conversationId, beforeId, pageSize, ids);
    if (!served) {
        FetchOlderMessages(conversationId, beforeId == 0 ? INT32_MAX : beforeId, error, flow);
        served = ServeFromIndex(conversationId, beforeId, pageSize, ids);
        if (!served) {
            // Whatever memory holds now, when the service has nothing more.
            const MessageIndexEntry* entry = Store().FindIndexEntry(conversationId);
            if (entry && entry->moreOnServer == 0)
                served = ServeFromIndex(conversationId, beforeId, pageSize, ids);
        }
    }
    if (beforeId == 0 && !ids.empty()) {
        if (const MessageRecord* first = Store().FindMessage(ids.front())) {
            Post(db_event::kConversationChanged, first->mid, db_event::kDone);
        }
    }
    return served;
}

void MarkConversationRead(std::int32_t conversationId) {
    ConversationRecord* conversation = Store().FindConversation(conversationId);
    if (!conversation || conversation->badge < 1) return;
    conversation->badge = 0;
    Post(db_event::kConversationChanged, conversationId, db_event::kDone);
    const std::string url =
        ApiUrl("msg", "clear_badge") + "?mid=" + std::to_string(conversationId) +
        "&last_did=" + std::to_string(conversation->last_dialog_id) + "&" + AuthQuery();
    RunFlow(nullptr, [url](CAsyncWorkFlow& flow) {
        const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
        CheckEnvelope(answer, nullptr);
    });
}

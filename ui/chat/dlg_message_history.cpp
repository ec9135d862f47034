#include "ui/chat/dlg_message.h"

// The history of a chat window: the first page, older pages on request, and what arrives.

#include <algorithm>

#include "api/api_controller.h"
#include "api/conversation_sync.h"
#include "conversation/page_links.h"
#include "conversation/store_sources.h"
#include "platform/window.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "ui/chat/chat_input.h"
#include "ui/chat/chat_style.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace cs = chat_style;

void CDlgMessage::LoadHistory(Position position) {
    int count = CDlgMessage::kOlderPage;
    if (position == Position::kBottom) {
        const ConversationRecord* conversation =
            CDBMsgDlg::Instance().FindConversation(conversationId_);
        // Writing anonymously to one person: a notice says so, for a minute.
        if (conversation && conversation->type == 1 && conversation->me_is_anony &&
            !anonymousNoticeClosed_ && !yellowBar_.IsWindowVisible()) {
            yellowBar_.ShowWindow(SW_SHOW);
            yellowBar_.SetTimer(CPageYellowBar::kHideTimer, kAnonymousNoticeMs);
            PlaceBars();
        }
        const int badge = conversation ? conversation->badge : 0;
        count = std::min(10, badge <= 2 ? 3 : badge);
    } else if (position == Position::kTop) {
        count = badgeAtOpen_ - lastBatch_;
        if (count < 1) return;
    }
    const std::int32_t before = oldestShown_;
    RunFlowOnce(
        historyFlow_, [this, alive = alive_, position, count, before](CAsyncWorkFlow& flow) {
            std::vector<std::int32_t> ids;
            ErrorRecord error;
            const bool served = GetHistoryPage(conversationId_, before, count, ids, &error, flow);
            if (!*alive) return;
            // A conversation without messages serves nothing: an empty page, not a failure.
            // A conversation that holds no message yet opens on an empty page: the service may not
            // know it before its first message.
            const MessageIndexEntry* index = CDBMsgDlg::Instance().FindIndexEntry(conversationId_);
            const bool empty = !index || index->ids.empty();
            if (!served && error.error_code > 0 && !(position == Position::kBottom && empty)) {
                ShowMessageBox(
                    m_hWnd, error.error_msg + " (错误码: " + std::to_string(error.error_code) + ")",
                    cs::kErrorCaption, MB_OK);
                if (!*alive) return;
                if (position != Position::kBottom) return;
                ids.clear();
            }
            pendingIds_ = ids;
            PostMessage(UM_HISTORY_READY, static_cast<WPARAM>(position), 0);
        });
}

void CDlgMessage::ShowHistory(Position position) {
    const ItemSources sources = Sources();
    if (!sources.conversation) return;
    const HistoryBatch batch =
        BuildHistory(pendingIds_, sources, StoreHistorySource(conversationId_), marks_);
    for (std::int32_t id : pendingIds_) {
        shown_.insert(id);
        if (const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(id)) {
            if (message->type == static_cast<std::int32_t>(MessageKind::kPicture))
                picturesShown_.push_back(WebAddressOrEmpty(message->file.url));
        }
    }
    lastBatch_ = static_cast<int>(pendingIds_.size());
    pendingIds_.clear();
    const bool first = !pageReady_;
    pageReady_ = true;
    if (batch.data.empty()) {
        hasMore_ = false;
        page_.HasNoMore();
    } else {
        oldestShown_ = batch.oldestShown;
        hasMore_ =
            HistoryHasMore(CDBMsgDlg::Instance().FindIndexEntry(conversationId_), oldestShown_);
        const HistoryPosition where = position == Position::kBottom ? HistoryPosition::kBottom
                                      : position == Position::kUp   ? HistoryPosition::kUp
                                                                    : HistoryPosition::kTop;
        page_.ShowItems(HistoryEnvelope(hasMore_, where, batch.data));
        if (position == Position::kBottom) page_.ScrollToEnd();
    }
    // A clip of this page that is playing already (it began in another view of the conversation).
    const std::int32_t playing = CApiController::Instance().playingVoice;
    if (playing > 0 && shown_.count(playing)) ShowVoice(playing, db_event::kStarted);
    // Many unread messages: the first page shows the newest, the bar offers the rest.
    if (position == Position::kBottom && badgeAtOpen_ >= kUnreadBarFrom &&
        !unreadBar_.IsWindowVisible())
        unreadBar_.Show(NoticeKind::UnreadCount, QString(), QString(), badgeAtOpen_);
    if (first) {
        // What arrived while the first page was on its way, in order.
        const auto early = std::move(early_);
        early_.clear();
        for (const auto& [local, id] : early)
            ShowArrived(local, id);
    }
    AskToMarkRead();
}

void CDlgMessage::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    if (kind == db_event::kSending && second == db_event::kFailed) {
        ShowFailed(first);
    } else if (kind == db_event::kNewMessage) {
        ShowArrived(first, second);
    } else if (kind == db_event::kVoicePlayback) {
        ShowVoice(first, second);
    } else if (kind == db_event::kConversationLookup && first == conversationId_) {
        Invalidate(false);  // anonymous mode went on or off
    } else if (kind == db_event::kConversationChanged && first == conversationId_) {
        if (const ConversationRecord* conversation =
                CDBMsgDlg::Instance().FindConversation(conversationId_)) {
            title_ = QString::fromStdString(conversation->name);
            SetWindowText(QStringLiteral("Lumeno - ") + title_);
        }
    }
}

void CDlgMessage::ShowArrived(std::int32_t localNumber, std::int32_t messageId) {
    const MessageRecord* message = CDBMsgDlg::Instance().FindMessage(messageId);
    if (!message || message->mid != conversationId_) return;
    // A send of another window keeps its own number.
    if (localNumber != 0 && !outstanding_.count(localNumber)) return;
    if (!pageReady_) {
        early_.emplace_back(localNumber, messageId);
        return;
    }
    const ItemSources sources = Sources();
    if (!sources.conversation) return;
    const bool fresh = shown_.insert(messageId).second;
    if (fresh && message->type == static_cast<std::int32_t>(MessageKind::kPicture))
        picturesShown_.push_back(WebAddressOrEmpty(message->file.url));
    if (localNumber != 0) {
        // The service's copy of a message this window sent: it takes the place of the one shown,
        // and where a page loaded meanwhile holds the copy already, the page drops the one shown.
        outstanding_.erase(localNumber);
        page_.ShowItems(ArrivedEnvelope(true, ReplacementItem(*message, sources, localNumber)));
        return;
    }
    if (!fresh) return;
    const bool away = page_.ScrolledUp();
    page_.ShowItems(ArrivedEnvelope(away, BelowData(*message, sources, marks_)));
    if (away && !message->is_me &&
        message->type != static_cast<std::int32_t>(MessageKind::kSystemNotice)) {
        // The reader is further up: a preview tells of it until they are back at the end.
        const UserRecord* sender = CDBUser::Instance().Find(message->qxid);
        const QString name = message->anonym || !sender ? QStringLiteral("匿名")
                                                        : QString::fromStdString(sender->name);
        newBar_.Show(NoticeKind::Preview, name, QString::fromStdString(message->text), 0);
        SetTimer(kBackAtEndTimer, kBackAtEndMs);
        if (message->atme && sources.conversation->type == 3) ShowMentionNotice(*message, name);
    }
    AskToMarkRead();
}

void CDlgMessage::AskToMarkRead() {
    // The window that holds the conversations marks its selected one read, when the person is
    // looking at it.
    const HWND holder = GetParent();
    if (holder && platform::IsWindow(holder) && IsWindowVisible())
        VWindow(holder).PostMessage(UM_MARK_READ, 0, 0);
}

void CDlgMessage::ShowMentionNotice(const MessageRecord& message, const QString& sender) {
    mentionBar_.Show(NoticeKind::Mention, sender, QString::fromStdString(message.text), 0);
    PlaceBars();
    // A click brings the reader to where the message came in: the end of the page as it is now.
    page_.ReadScroll([this, alive = alive_](const PageScroll& scroll) {
        if (*alive) mentionBar_.SetContext(std::max(1, scroll.Range()));
    });
}

#include "ui/conversations/page_message.h"

#include <algorithm>

#include "api/api_controller.h"
#include "api/avatar_files.h"
#include "api/display_time.h"
#include "storage/msg_dlg_store.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/chat_entry.h"
#include "ui/common/popup_menu.h"
#include "ui/conversations/conversation_style.h"
#include "ui/main/main_wnd.h"

namespace cs = conversation_style;

namespace {

// The second value of a synchronisation event when a page of an active query was merged.
constexpr std::int32_t kSyncPageMerged = 4;

CDBMsgDlg& Store() {
    return CDBMsgDlg::Instance();
}

// The local calendar day of a moment, as yyyymmdd.
int DayOf(std::time_t moment) {
    std::tm local{};
    if (!localtime_r(&moment, &local)) return 0;
    return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

}  // namespace

CPageMessage::CPageMessage() = default;

CPageMessage::~CPageMessage() {
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
    if (IsWindow()) DestroyWindow();
}

HWND CPageMessage::Create(HWND parent, const UiRect& rect) {
    return VWindowImpl::Create(parent, rect);
}

bool CPageMessage::OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case WM_TIMER:
            if (wParam != kDayTimer) return false;
            CheckDay();
            return true;
        case WM_SHOWWINDOW:
            if (wParam) Invalidate(false);
            return false;
        case WM_DESTROY:
            KillTimer(kDayTimer);
            if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
            subscribed_ = false;
            return false;
        default:
            return false;
    }
}

void CPageMessage::OnCreate() {
    list_.SetRowHeight(cs::kRowHeight);
    list_.SetWantDoubleClicks(true);
    list_.SetTrackRightClicks(true);
    list_.Create(m_hWnd, GetClientRect());
    list_.SetOpaque(true);  // every row and the space below them are painted by the page
    bar_.CreateSkinned(m_hWnd, list_);
    list_.ShowWindow(SW_SHOW);
    list_.SetFocus();

    Reload(false);
    CApiController::Instance().Events().Subscribe(kEventMask, this);
    subscribed_ = true;
    SetTimer(kDayTimer, kDayCheckMs);
    Invalidate(false);
}

void CPageMessage::OnLayout(int width, int height) {
    if (list_.IsWindow()) list_.MoveWindow(0, 0, width, height);
}

void CPageMessage::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, cs::kBackground);
}

// ---- rows ----

void CPageMessage::Reload(bool keepPosition) {
    if (!list_.IsWindow()) return;
    const int top = list_.GetTopIndex();
    const std::int32_t currentId = RowConversation(current_);

    CDBMsgDlg& store = Store();
    rows_.clear();
    rows_.reserve(store.Order().size());
    for (std::int32_t id : store.Order()) {
        // Without pending items there is no entry for them, not an empty row.
        if (id == kPendingItemsConversationId && !store.FindConversation(id)) continue;
        rows_.push_back(id);
    }

    list_.SetRedraw(false);
    list_.ResetContent();
    list_.SetRowHeight(cs::kRowHeight);
    list_.SetCount(RowCount());
    const int count = RowCount();
    list_.SetTopIndex(keepPosition && count > 0 ? std::min(top, count - 1) : 0);
    current_ = -1;
    if (keepPosition && currentId != 0) {
        const auto at = std::find(rows_.begin(), rows_.end(), currentId);
        if (at != rows_.end()) current_ = static_cast<int>(at - rows_.begin());
    }
    list_.SetRedraw(true);
    list_.Invalidate(false);

    NameGroupTiles();
    CheckDay();
    WriteUnreadTotal();
}

void CPageMessage::Reset() {
    rows_.clear();
    current_ = -1;
    labelDay_ = -1;
    pictures_.Clear();
    if (list_.IsWindow()) list_.ResetContent();
    WriteUnreadTotal();
}

void CPageMessage::NameGroupTiles() {
    // The tile itself is asked for by the first paint that misses it.
    for (auto& [id, group] : Store().Groups()) {
        if (group && IsActiveGroup(*group))
            group->group_avatar_file = GroupTileKey(group->member_ids);
    }
}

int CPageMessage::UnreadTotal() const {
    CDBMsgDlg& store = Store();
    int total = 0;
    for (std::int32_t id : store.Order()) {
        if (const ConversationRecord* conversation = store.FindConversation(id))
            total += AnnouncedUnread(*conversation);
    }
    return total;
}

void CPageMessage::WriteUnreadTotal() {
    CMainWnd::Instance().SetUnreadCount(UnreadTotal());
}

std::int32_t CPageMessage::RowConversation(int index) const {
    if (index < 0 || index >= RowCount()) return 0;
    return rows_[static_cast<std::size_t>(index)];
}

ConversationRecord* CPageMessage::RecordOf(int index) const {
    const std::int32_t id = RowConversation(index);
    return id ? Store().FindConversation(id) : nullptr;
}

QString CPageMessage::RowName(int index) {
    const ConversationRecord* conversation = RecordOf(index);
    return conversation ? SpokenRow(*conversation) : QString();
}

void CPageMessage::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, cs::kBackground);
}

void CPageMessage::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    UiRegion root(ctx);
    const ConversationRecord* conversation = RecordOf(index);
    if (!conversation) {
        // Gone since the last reload: an empty row until the next one.
        UiFill(root, rect, cs::kBackground);
        return;
    }
    const UiHit hit = UiHitTest(root, rect);
    painter_.Draw(root, rect, *conversation, list_.HoverRow() == index || current_ == index);
    switch (hit) {
        case UiHit::Clicked:
            if (current_ != index) {
                current_ = index;
                list_.Invalidate(false);
            }
            break;
        case UiHit::DoubleClicked: {
            const std::int32_t id = conversation->id;
            ctx.Finish();
            ctx.Later([this, id] {
                const auto at = std::find(rows_.begin(), rows_.end(), id);
                if (at != rows_.end()) OpenRow(static_cast<int>(at - rows_.begin()));
            });
            break;
        }
        case UiHit::RightReleased:
            ctx.Finish();
            RowMenuLater(ctx, index);
            break;
        default:
            break;
    }
}

void CPageMessage::RowMenuLater(UiContext& ctx, int index) {
    const std::int32_t id = RowConversation(index);
    const QPoint screen = list_.MessageScreenPos();
    list_.Invalidate(false);
    // The menu runs its own loop: after the pass, and for the row's conversation wherever the
    // row is by then.
    ctx.Later([this, id, screen] {
        const auto at = std::find(rows_.begin(), rows_.end(), id);
        if (at != rows_.end()) ShowRowMenu(static_cast<int>(at - rows_.begin()), screen);
    });
}

void CPageMessage::OpenRow(int index) {
    const std::int32_t id = RowConversation(index);
    if (id == 0) return;
    if (id == kPendingItemsConversationId) {
        CMainWnd::Instance().OpenPendingItems();
    } else {
        OpenConversation(id);
    }
}

CPageMessage::Command CPageMessage::ShowRowMenu(int index, QPoint screen) {
    const ConversationRecord* conversation = RecordOf(index);
    if (!conversation) return Command::None;
    const std::int32_t id = conversation->id;
    std::vector<PopupItem> items;
    std::string member;
    if (id == kPendingItemsConversationId) {
        items.push_back({static_cast<int>(Command::Open), QStringLiteral("查看待处理项")});
    } else if (conversation->type == kGroupConversationType) {
        items.push_back({static_cast<int>(Command::Open), QStringLiteral("进入对话")});
        items.push_back({static_cast<int>(Command::GroupInfo), QStringLiteral("查看群组资料")});
    } else {
        if (!conversation->member_ids.empty()) member = conversation->member_ids.front();
        items.push_back({static_cast<int>(Command::Open), QStringLiteral("进入对话")});
        items.push_back({static_cast<int>(Command::Profile), QStringLiteral("查看联系人资料"),
                         !member.empty()});
    }
    current_ = index;
    list_.Invalidate(false);

    const auto alive = AliveToken();
    const auto command = static_cast<Command>(TrackPopup(list_, items, screen.x(), screen.y()));
    if (!*alive) return command;
    // The store may have changed while the menu was open: act on the id, not the row.
    switch (command) {
        case Command::Open:
            if (id == kPendingItemsConversationId) {
                CMainWnd::Instance().OpenPendingItems();
            } else {
                OpenConversation(id);
            }
            break;
        case Command::GroupInfo:
            CMainWnd::Instance().OpenGroupInfoWindow(id);
            break;
        case Command::Profile:
            if (!member.empty()) CMainWnd::Instance().OpenProfileWindow(member);
            break;
        case Command::None:
            break;
    }
    return command;
}

// ---- keyboard ----

LRESULT CPageMessage::OnListMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    handled = false;
    if (message != WM_KEYDOWN || rows_.empty()) return 0;
    const int last = RowCount() - 1;
    switch (wParam) {
        case VK_UP:
            MoveCurrent(current_ < 0 ? list_.GetTopIndex() : current_ - 1);
            break;
        case VK_DOWN:
            MoveCurrent(current_ < 0 ? list_.GetTopIndex() : current_ + 1);
            break;
        case VK_HOME:
            MoveCurrent(0);
            break;
        case VK_END:
            MoveCurrent(last);
            break;
        case VK_RETURN:
            if (current_ < 0) return 0;
            OpenRow(current_);
            break;
        default:
            return 0;
    }
    handled = true;
    return 0;
}

void CPageMessage::MoveCurrent(int index) {
    if (rows_.empty()) return;
    current_ = std::clamp(index, 0, RowCount() - 1);
    const int top = list_.GetTopIndex();
    const int whole = std::max(1, list_.ClientHeight() / cs::kRowHeight);
    if (current_ < top) {
        list_.SetTopIndex(current_);
    } else if (current_ >= top + whole) {
        list_.SetTopIndex(current_ - whole + 1);
    }
    list_.Invalidate(false);
}

// ---- time labels ----

void CPageMessage::SetClock(Clock clock) {
    clock_ = std::move(clock);
}

std::time_t CPageMessage::Now() const {
    return clock_ ? clock_() : std::time(nullptr);
}

void CPageMessage::CheckDay() {
    const std::time_t now = Now();
    const int today = DayOf(now);
    if (today == labelDay_) return;
    labelDay_ = today;
    for (auto& [id, conversation] : Store().Conversations()) {
        if (conversation && conversation->last_dialog_timestamp > 0) {
            conversation->display_time =
                FormatDisplayTime(conversation->last_dialog_timestamp, now);
        }
    }
    if (list_.IsWindow()) list_.Invalidate(false);
}

// ---- events ----

void CPageMessage::OnDBEvent(std::uint32_t kind, std::int32_t, std::int32_t second) {
    switch (kind) {
        case db_event::kConversationSync:
            if (second == db_event::kDone || second == kSyncPageMerged) Reload(false);
            break;
        case db_event::kNewMessage:
            Reload(true);
            break;
        case db_event::kConversationChanged:
            list_.Invalidate(false);
            WriteUnreadTotal();
            break;
        default:
            break;
    }
}

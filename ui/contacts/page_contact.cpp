#include "ui/contacts/page_contact.h"

#include <algorithm>

#include "api/api_controller.h"
#include "storage/msg_dlg_store.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/chat_entry.h"
#include "ui/common/cached_pictures.h"
#include "ui/common/popup_menu.h"
#include "ui/contacts/contact_style.h"
#include "ui/main/main_wnd.h"

namespace cs = contact_style;

namespace {

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

RowAction ActionOf(const ContactListEntry& entry, UiHit hit) {
    switch (entry.kind) {
        case EntryKind::GroupHeader:
            return hit == UiHit::Clicked ? RowAction::Toggle : RowAction::None;
        case EntryKind::LetterHeader:
            return RowAction::None;
        case EntryKind::Group:
        case EntryKind::Person:
            if (hit == UiHit::DoubleClicked) return RowAction::Open;
            if (hit == UiHit::RightReleased) return RowAction::Menu;
            return RowAction::None;
    }
    return RowAction::None;
}

}  // namespace

CPageContact::CPageContact() = default;

CPageContact::~CPageContact() {
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
    pictures_.reset();
    if (IsWindow()) DestroyWindow();
}

HWND CPageContact::Create(HWND parent, const UiRect& rect) {
    return VWindowImpl::Create(parent, rect);
}

bool CPageContact::OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == WM_CREATE) OnCreate();
    return false;
}

void CPageContact::OnCreate() {
    list_.SetWantDoubleClicks(true);
    list_.SetTrackRightClicks(true);
    list_.Create(m_hWnd, UiRect(0, 0, std::max(ClientWidth(), 1), std::max(ClientHeight(), 1)));
    list_.SetOpaque(true);  // every row fills itself
    bar_.CreateSkinned(m_hWnd, list_);
    pictures_ = std::make_unique<CCachedPictures>(list_);
    Rebuild(Position::Top);
    CApiController::Instance().Events().Subscribe(kEventMask, this);
    subscribed_ = true;
    Invalidate(false);
}

void CPageContact::OnLayout(int width, int height) {
    if (!list_.IsWindow()) return;
    list_.MoveWindow(0, 0, width, height);
    bar_.Place();
}

// ---- rows ----

void CPageContact::Rebuild(Position position) {
    if (!list_.IsWindow()) return;
    const int top = position == Position::Keep ? list_.GetTopIndex() : 0;
    rows_ = BuildContactRows(collapsed_);
    if (searching_) {
        // The search stays: the same text over the new rows.
        RunSearch();
        return;
    }
    results_.clear();
    FillList(rows_.display, top);
}

void CPageContact::FillList(const std::vector<int>& rows, int top) {
    list_.SetRedraw(false);
    // Every row at an item's height at once, then the few headers lowered: a search over a long
    // list costs one count, not one insertion per row.
    list_.ResetContent();
    list_.SetRowHeight(cs::kItemHeight);
    list_.SetCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows_.entries[static_cast<std::size_t>(rows[i])].IsHeader()) {
            list_.SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(i), cs::kHeaderHeight);
        }
    }
    if (!rows.empty()) list_.SetTopIndex(std::clamp(top, 0, static_cast<int>(rows.size()) - 1));
    list_.SetRedraw(true);
    list_.Invalidate(false);
    bar_.Synchronise();
}

const ContactListEntry* CPageContact::EntryAt(int listRow) const {
    const std::vector<int>& rows = ShownRows();
    if (listRow < 0 || listRow >= static_cast<int>(rows.size())) return nullptr;
    const int entry = rows[static_cast<std::size_t>(listRow)];
    if (entry < 0 || entry >= static_cast<int>(rows_.entries.size())) return nullptr;
    return &rows_.entries[static_cast<std::size_t>(entry)];
}

void CPageContact::ToggleGroups() {
    collapsed_ = !collapsed_;
    Rebuild(Position::Top);
    Invalidate(false);
}

// ---- search ----

void CPageContact::Search(const QString& text) {
    if (text.isEmpty()) {
        LeaveSearch();
        return;
    }
    if (!searching_) savedTop_ = list_.GetTopIndex();
    searching_ = true;
    searchText_ = text.toStdString();
    RunSearch();
    ShowWindow(SW_SHOW);
}

void CPageContact::RunSearch() {
    results_ = SearchContactRows(rows_.entries, searchText_);
    FillList(results_, 0);
}

bool CPageContact::InSearchMode() const {
    return searching_;
}

void CPageContact::LeaveSearch() {
    if (!searching_) return;
    searching_ = false;
    searchText_.clear();
    results_.clear();
    FillList(rows_.display, savedTop_);
}

void CPageContact::OpenFirstResult() {
    if (!searching_ || results_.empty()) return;
    if (const ContactListEntry* entry = EntryAt(0)) Open(*entry);
}

void CPageContact::Clear() {
    searching_ = false;
    collapsed_ = true;
    savedTop_ = 0;
    searchText_.clear();
    results_.clear();
    rows_ = ContactRows();
    if (pictures_) pictures_->Clear();
    Rebuild(Position::Top);
}

// ---- what rows do ----

void CPageContact::Open(const ContactListEntry& entry) {
    if (entry.kind == EntryKind::Person) {
        StartConversation(entry.qxid);
    } else if (entry.kind == EntryKind::Group) {
        OpenConversation(entry.ConversationId());
    }
}

void CPageContact::ShowMenu(const ContactListEntry& entry, QPoint screen) {
    const bool group = entry.IsGroup();
    const std::vector<PopupItem> items = {
        {static_cast<int>(Command::Talk),
         group ? QStringLiteral("进入对话") : QStringLiteral("与他会话")},
        {static_cast<int>(Command::Details),
         group ? QStringLiteral("查看群组资料") : QStringLiteral("查看联系人资料")},
    };
    const auto alive = AliveToken();
    const int chosen = TrackPopup(m_hWnd, items, screen.x(), screen.y());
    if (!*alive) return;
    switch (static_cast<Command>(chosen)) {
        case Command::Talk:
            Open(entry);
            break;
        case Command::Details:
            if (group) {
                CMainWnd::Instance().OpenGroupInfoWindow(entry.ConversationId());
            } else {
                CMainWnd::Instance().OpenProfileWindow(entry.qxid);
            }
            break;
    }
}

// ---- events ----

void CPageContact::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    switch (kind) {
        // A synchronisation runs on every new message: the list stays where the person is
        // reading it instead of jumping to the top.
        case db_event::kConversationSync:
        case db_event::kMembersChanged:
            if (second == db_event::kDone) Rebuild(Position::Keep);
            break;
        case db_event::kContacts:
            if (second == db_event::kDone) {
                CMainWnd::Instance().Invalidate(false);
                Rebuild(Position::Keep);
            }
            break;
        case db_event::kConversationChanged:
            RenameGroup(first);
            Invalidate(false);
            list_.Invalidate(false);
            break;
        default:
            break;
    }
}

void CPageContact::RenameGroup(std::int32_t conversationId) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    if (!conversation || conversation->type != kGroupConversationType ||
        conversation->deleted == 1) {
        return;
    }
    for (ContactListEntry& entry : rows_.entries) {
        if (entry.IsGroup() && entry.id == -conversationId) {
            if (entry.name == conversation->name) return;
            entry.name = conversation->name;
            SetSearchTexts(entry);
            if (searching_) RunSearch();
            return;
        }
    }
    Rebuild(Position::Top);
}

// ---- drawing ----

void CPageContact::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, cs::kPage);
}

QString CPageContact::RowName(int index) {
    const ContactListEntry* entry = EntryAt(index);
    if (!entry) return QString();
    switch (entry->kind) {
        case EntryKind::GroupHeader:
            return Text(entry->title) + QLatin1Char(' ') + Text(rows_.groupCount);
        case EntryKind::LetterHeader:
            return Text(entry->title);
        case EntryKind::Group:
        case EntryKind::Person:
            return Text(entry->name);
    }
    return QString();
}

void CPageContact::DrawEmpty(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, cs::kPage);
    if (!searching_) return;
    const QString text = QStringLiteral("没有找到“%1”相关的联系人或群聊").arg(Text(searchText_));
    UiLabel(root,
            UiRect(cs::kEmptyMargin, cs::kEmptyTop, ctx.client.right - cs::kEmptyMargin,
                   cs::kEmptyTop + cs::kEmptyHeight),
            text, &TextFont(cs::kEmptyPixels), cs::kCareer, DT_CENTER);
}

void CPageContact::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    const ContactListEntry* shown = EntryAt(index);
    if (!shown) return;
    UiRegion root(ctx);
    if (ctx.mode == UiMode::Mouse) {
        const RowAction action = ActionOf(*shown, UiHitTest(root, rect));
        if (action == RowAction::None) return;
        // The rows may change before the action runs: it keeps its own copy of the entry.
        const ContactListEntry entry = *shown;
        const QPoint screen = list_.ClientToScreen(QPoint(ctx.event->x, ctx.event->y));
        ctx.Later([this, action, entry, screen] {
            switch (action) {
                case RowAction::Toggle:
                    ToggleGroups();
                    break;
                case RowAction::Open:
                    Open(entry);
                    break;
                case RowAction::Menu:
                    ShowMenu(entry, screen);
                    break;
                case RowAction::None:
                    break;
            }
        });
        return;
    }
    if (shown->IsHeader()) {
        DrawHeader(root, *shown, rect);
    } else {
        DrawItem(root, *shown, rect, list_.HoverRow() == index);
    }
}

void CPageContact::DrawHeader(UiRegion& root, const ContactListEntry& entry, const UiRect& rect) {
    const int x0 = rect.left;
    const int y0 = rect.top;
    UiFill(root, rect, cs::kHeaderBackground);
    UiLine(root, cs::kHeaderLine, QPoint(x0, y0), QPoint(rect.right, y0));
    const QFont& face = TextFont(cs::kHeaderPixels);
    if (entry.kind == EntryKind::GroupHeader) {
        CKesBitmap& arrow = SkinImage("contact_list_arrow.png");
        const auto frame = collapsed_ ? cs::ArrowFrame::Collapsed : cs::ArrowFrame::Expanded;
        UiImage(root,
                UiRect::FromSize(x0 + cs::kArrowLeft, y0 + cs::kArrowTop, arrow.FrameWidth(),
                                 arrow.FrameHeight()),
                arrow, static_cast<int>(frame));
        UiText(root, &face, Text(entry.title), cs::kHeaderText, x0 + cs::kGroupTitleLeft,
               y0 + cs::kHeaderTextTop);
        UiText(root, &face, Text(rows_.groupCount), cs::kGroupCount, x0 + cs::kGroupCountLeft,
               y0 + cs::kHeaderTextTop);
    } else {
        UiText(root, &face, Text(entry.title), cs::kHeaderText, x0 + cs::kLetterLeft,
               y0 + cs::kLetterTop);
    }
}

void CPageContact::DrawItem(UiRegion& root, const ContactListEntry& entry, const UiRect& rect,
                            bool hovered) {
    const int x0 = rect.left;
    const int y0 = rect.top;
    const int x1 = rect.right;
    UiFill(root, rect, hovered ? cs::kItemHover : cs::kItemBackground);
    const QString name = Text(entry.name);
    const UiRect avatar = UiRect::FromSize(x0 + cs::kAvatarLeft, y0 + cs::kAvatarTop,
                                           cs::kAvatarSize, cs::kAvatarSize);
    CKesBitmap& fallback = SkinImage("main_icon_default.png");
    const QFont& nameFace = TextFont(cs::kNamePixels);
    if (entry.IsGroup()) {
        pictures_->DrawGroupTile(root, avatar, entry.ConversationId(), entry.memberIds, fallback,
                                 name);
        const int right =
            std::min(x0 + cs::kNameLeft + cs::kGroupNameWidth, x1 - cs::kCareerRightMargin);
        UiLabel(root,
                UiRect(x0 + cs::kNameLeft, y0 + cs::kGroupNameTop, right,
                       y0 + cs::kGroupNameTop + TextLineHeight(nameFace)),
                name, &nameFace, cs::kName);
        return;
    }
    pictures_->Draw(root, avatar, entry.avatar, kSmallAvatarPixels, fallback, name);
    CKesBitmap& mark = SkinImage("icon_v1.png");
    const int markWidth = entry.judge ? mark.FrameWidth() + cs::kMarkGap : 0;
    const int nameRight = x1 - cs::kNameRightMargin - markWidth;
    const int nameWidth = std::min(TextWidth(nameFace, name), nameRight - x0 - cs::kNameLeft);
    UiLabel(root,
            UiRect(x0 + cs::kNameLeft, y0 + cs::kNameTop, x0 + cs::kNameLeft + nameWidth,
                   y0 + cs::kNameTop + TextLineHeight(nameFace)),
            name, &nameFace, cs::kName);
    if (entry.judge) {
        UiImage(root,
                UiRect::FromSize(x0 + cs::kNameLeft + nameWidth + cs::kMarkGap, y0 + cs::kMarkTop,
                                 mark.FrameWidth(), mark.FrameHeight()),
                mark, 0, QStringLiteral("认证"));
    }
    const QFont& careerFace = TextFont(cs::kCareerPixels);
    UiLabel(root,
            UiRect(x0 + cs::kNameLeft, y0 + cs::kCareerTop, x1 - cs::kCareerRightMargin,
                   y0 + cs::kCareerTop + TextLineHeight(careerFace)),
            Text(entry.career), &careerFace, cs::kCareer);
}

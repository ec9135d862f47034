#include "ui/groups/dlg_generate_session.h"

#include <QWidget>
#include <algorithm>
#include <map>

#include "api/group_chat.h"
#include "storage/image_cache.h"
#include "storage/msg_dlg_store.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_caption.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/chat_entry.h"
#include "ui/common/cached_pictures.h"
#include "ui/edit/edit_ex.h"
#include "ui/groups/group_style.h"
#include "ui/groups/group_texts.h"
#include "ui/main/main_wnd.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace gs = group_style;

namespace {

std::map<std::int32_t, CDlgGenerateSession*>& Pickers() {
    static std::map<std::int32_t, CDlgGenerateSession*> pickers;
    return pickers;
}

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool IsGroup(std::int32_t conversationId) {
    const ConversationRecord* conversation = CDBMsgDlg::Instance().FindConversation(conversationId);
    return conversation && conversation->type == kGroupConversationType;
}

}  // namespace

// ---- the registry ----

CDlgGenerateSession* CDlgGenerateSession::Open(std::int32_t conversationId) {
    if (conversationId < 0) conversationId = 0;
    if (CDlgGenerateSession* open = Find(conversationId)) {
        open->ShowWindow(open->IsIconic() ? SW_RESTORE : SW_SHOW);
        if (QWidget* widget = open->Widget()) {
            widget->raise();
            widget->activateWindow();
        }
        if (open->search_) open->search_->setFocus(Qt::ActiveWindowFocusReason);
        return open;
    }
    auto* picker = new CDlgGenerateSession(conversationId);
    const UiRect rect = UiRect::FromSize(0, 0, gs::kPickerWidth, gs::kPickerHeight);
    if (!picker->Create(nullptr, rect, QString())) {
        delete picker;
        return nullptr;
    }
    return picker;
}

CDlgGenerateSession* CDlgGenerateSession::Find(std::int32_t conversationId) {
    const auto found = Pickers().find(conversationId);
    return found == Pickers().end() ? nullptr : found->second;
}

void CDlgGenerateSession::CloseAll() {
    for (const auto& [id, picker] : std::map(Pickers())) {
        if (picker->IsWindow()) picker->DestroyWindow();
    }
}

CDlgGenerateSession::CDlgGenerateSession(std::int32_t conversationId)
    : conversationId_(conversationId) {
    Pickers()[conversationId_] = this;
}

CDlgGenerateSession::~CDlgGenerateSession() {
    *alive_ = false;
    CAsyncWorkFlow::CancelFlow(&confirmFlow_);
    const auto found = Pickers().find(conversationId_);
    if (found != Pickers().end() && found->second == this) Pickers().erase(found);
    rowPictures_.reset();
    stripPictures_.reset();
}

void CDlgGenerateSession::OnFinalMessage() {
    delete this;
}

// ---- window ----

QString CDlgGenerateSession::Title() const {
    return conversationId_ > 0 ? group_texts::AddParticipants() : group_texts::StartChat();
}

void CDlgGenerateSession::OnCreate() {
    SetWindowText(QStringLiteral("Lumeno - %1").arg(Title()));
    shadow_.SetDarkness(gs::kShadowDarkness);
    shadow_.SetSharpness(gs::kShadowSharpness);
    shadow_.SetSize(gs::kShadowSize);
    shadow_.SetPosition(gs::kShadowDropX, gs::kShadowDropY);
    shadow_.Create(m_hWnd);
    SetCornerRadius(palette::kCornerRadius);

    search_ = new CEditEx(*this, EditKind::Search, group_texts::SearchPlaceholder());
    search_->setFont(TextFont(gs::kSearchPixels));
    search_->SetColours(gs::kSearchBackground, gs::kSearchText, gs::kSearchPlaceholder);
    search_->setAccessibleName(group_texts::SearchPlaceholder());

    list_.Create(m_hWnd, UiRect(0, gs::kListTop, gs::kPickerWidth, gs::kPickerHeight));
    list_.SetOpaque(true);
    bar_.SetThumbImage(&SkinImage("sb_top.png"));
    bar_.SetTrackImage(&SkinImage("sb_back.png"));
    bar_.Create(m_hWnd);
    bar_.SetOffsets(0, -12);
    bar_.Attach(list_);
    rowPictures_ = std::make_unique<CCachedPictures>(list_);
    stripPictures_ = std::make_unique<CCachedPictures>(*this);

    ResizeClient(gs::kPickerWidth, gs::kPickerHeight);
    CenterWindow();
    candidates_.Build(conversationId_);
    FillList();
    ShowWindow(SW_SHOW);
    if (QWidget* widget = Widget()) {
        widget->raise();
        widget->activateWindow();
    }
    search_->setFocus(Qt::OtherFocusReason);
}

void CDlgGenerateSession::OnDestroy() {
    CAsyncWorkFlow::CancelFlow(&confirmFlow_);
    const auto found = Pickers().find(conversationId_);
    if (found != Pickers().end() && found->second == this) Pickers().erase(found);
}

void CDlgGenerateSession::OnLayout(int width, int height) {
    if (search_) {
        search_->Place(UiRect::FromSize(gs::kSearchBoxLeft, gs::kSearchBoxTop,
                                        width - gs::kSearchBoxLeft - gs::kSearchBoxRightMargin,
                                        gs::kSearchBoxHeight));
    }
    if (!list_.IsWindow()) return;
    const int strip = candidates_.Selected().empty() ? 0 : gs::kStripHeight;
    list_.MoveWindow(0, gs::kListTop, width,
                     std::max(0, height - gs::kListTop - gs::kListBottomMargin - strip));
    bar_.Place();
}

bool CDlgGenerateSession::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                          LRESULT& result) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case WM_DESTROY:
            OnDestroy();
            return false;
        case WM_CLOSE:
            DestroyWindow();
            result = 0;
            return true;
        case WM_SHOWWINDOW:
            if (wParam) Invalidate(false);
            return false;
        case UM_EDIT_CHANGED:
            OnSearchChanged();
            return true;
        case UM_EDIT_RETURN:
            if (static_cast<EditReturn>(lParam) != EditReturn::Enter) return true;
            // Enter ticks the first result; on an empty box it confirms what is ticked.
            if (candidates_.Searching()) {
                TickFirstResult();
            } else if (!candidates_.Selected().empty()) {
                Confirm();
            }
            return true;
        case WM_KEYDOWN:
            if (wParam != VK_ESCAPE) return false;
            DestroyWindow();
            return true;
        default:
            return false;
    }
}

// ---- the list and the search ----

void CDlgGenerateSession::FillList() {
    if (!list_.IsWindow()) return;
    list_.SetRedraw(false);
    list_.ResetContent();
    list_.SetRowHeight(gs::kRowHeight);
    list_.SetCount(candidates_.ShownCount());
    list_.SetRedraw(true);
    list_.Invalidate(false);
    bar_.Synchronise();
}

void CDlgGenerateSession::OnSearchChanged() {
    if (!search_) return;
    const std::string text = search_->text().trimmed().toStdString();
    if (text.empty() && !candidates_.Searching()) return;
    candidates_.Search(text);
    FillList();
}

void CDlgGenerateSession::TickFirstResult() {
    if (!candidates_.Searching() || candidates_.ShownCount() == 0) return;
    const std::string qxid = candidates_.ShownAt(0)->qxid;
    if (!candidates_.IsSelected(qxid)) Toggle(qxid);
    // The next name can be typed at once.
    search_->ClearAsUser();
}

void CDlgGenerateSession::Toggle(const std::string& qxid) {
    if (Confirming() || !candidates_.Toggle(qxid)) return;
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
    Invalidate(false);
    list_.Invalidate(false);
}

QString CDlgGenerateSession::RowName(int index) {
    const ContactListEntry* entry = candidates_.ShownAt(index);
    return entry ? Text(entry->name) : QString();
}

void CDlgGenerateSession::DrawBackground(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, gs::kRow);
}

void CDlgGenerateSession::DrawEmpty(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, gs::kRow);
    const QString text = candidates_.Searching()
                             ? group_texts::NoMatch(Text(candidates_.SearchText()))
                             : group_texts::NoCandidates();
    UiLabel(root, UiRect(0, gs::kEmptyTop, ctx.client.right, gs::kEmptyTop + gs::kEmptyHeight),
            text, &TextFont(gs::kRowCareerPixels), gs::kRowCareer, DT_CENTER);
}

void CDlgGenerateSession::DrawRow(UiContext& ctx, int index, const UiRect& rect) {
    const ContactListEntry* entry = candidates_.ShownAt(index);
    if (!entry) return;
    UiRegion root(ctx);
    if (ctx.mode == UiMode::Mouse) {
        // A click anywhere on the row ticks it; the row is known by its person, not its place.
        if (UiHitArea(root, rect)) {
            ctx.Later([this, qxid = entry->qxid] {
                Toggle(qxid);
                list_.SetFocus();
            });
        }
        return;
    }
    const int x0 = rect.left;
    const int y0 = rect.top;
    UiFill(root, rect, list_.HoverRow() == index ? gs::kRowHover : gs::kRow);
    UiRoundCheck(
        root,
        UiRect::FromSize(x0 + gs::kCheckLeft, y0 + gs::kCheckTop, gs::kCheckSize, gs::kCheckSize),
        static_cast<int>(candidates_.IsSelected(entry->qxid) ? gs::CheckMark::Ticked
                                                             : gs::CheckMark::Unticked));
    const QString name = Text(entry->name);
    rowPictures_->Draw(root,
                       UiRect::FromSize(x0 + gs::kRowAvatarLeft, y0 + gs::kRowAvatarTop,
                                        gs::kRowAvatarSize, gs::kRowAvatarSize),
                       entry->avatar, kLargeAvatarKey, SkinImage("main_icon_default.png"), name);
    const QFont& nameFace = TextFont(gs::kRowNamePixels);
    UiLabel(
        root,
        UiRect(x0 + gs::kRowNameLeft, y0 + gs::kRowNameTop, rect.right - gs::kRowCareerRightMargin,
               y0 + gs::kRowNameTop + TextLineHeight(nameFace)),
        name, &nameFace, gs::kRowName);
    const QFont& careerFace = TextFont(gs::kRowCareerPixels);
    UiLabel(root,
            UiRect(x0 + gs::kRowNameLeft, y0 + gs::kRowCareerTop,
                   rect.right - gs::kRowCareerRightMargin, rect.bottom),
            Text(entry->career), &careerFace, gs::kRowCareer, DT_END_ELLIPSIS);
}

// ---- painting ----

QString CDlgGenerateSession::ConfirmCaption() const {
    const int count = static_cast<int>(candidates_.Selected().size());
    return count ? QStringLiteral("确定(%1)").arg(count) : QStringLiteral("确定");
}

void CDlgGenerateSession::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const UiRect client = ctx.client;
    const int width = client.right;
    const int height = client.bottom;
    UiImage(root, UiRect(0, 0, width, gs::kTitleBarHeight), SkinImage("main_top_bg.png"));
    UiText(root, &TextFont(gs::kPickerTitlePixels), Title(), gs::kTitle, gs::kPickerTitleLeft,
           gs::kPickerTitleTop);
    const CaptionResult caption =
        UiCaption(root, UiRect(0, 0, width, gs::kTitleBarHeight), QString(),
                  CaptionButtons::Close | CaptionButtons::Minimise);
    if (caption.hit == CaptionHit::Close) ctx.Later([this] { DestroyWindow(); });
    if (caption.hit == CaptionHit::Minimise) ctx.Later([this] { ShowWindow(SW_MINIMIZE); });

    UiFill(root, UiRect(0, gs::kTitleBarHeight, width, height), gs::kBody);
    UiFill(root, UiRect(0, gs::kTitleBarHeight, width, gs::kSearchBandBottom), gs::kBand);
    CKesBitmap& searchBar = SkinImage("white_searchbar_bg.png");
    UiImage(root,
            UiRect::FromSize(gs::kSearchBarLeft, gs::kSearchBarTop, width - 2 * gs::kSearchBarLeft,
                             searchBar.FrameHeight()),
            searchBar);
    UiText(root, &TextFont(gs::kLabelPixels), group_texts::ContactsLabel(), gs::kLabel,
           gs::kLabelLeft, gs::kLabelTop);
    if (!candidates_.Selected().empty()) DrawStrip(ctx, root, client);

    const int band = height - gs::kBottomBand;
    UiFill(root, UiRect(0, band, width, height), gs::kBand);
    CKesBitmap& button = SkinImage("small_blue_btn.png");
    const UiRect confirm = UiRect::FromSize(gs::kConfirmLeft, height - gs::kConfirmFromBottom,
                                            gs::kConfirmWidth, button.FrameHeight());
    const unsigned flags = Confirming() ? kUiDisabled : kUiTakesMouse | kUiDefaultButton;
    if (UiSkinButton(root, confirm, &button, ConfirmCaption(), QString(),
                     &TextFont(gs::kConfirmPixels), gs::kConfirmCaption, -1, flags)) {
        ctx.Later([this] { Confirm(); });
    }
    if (!note_.isEmpty()) {
        UiLabel(root, UiRect(0, height - gs::kNoteFromBottom, width, height), note_,
                &TextFont(gs::kNotePixels), gs::kError, DT_CENTER);
    }
}

void CDlgGenerateSession::DrawStrip(UiContext& ctx, UiRegion& root, const UiRect& client) {
    const int top = client.bottom - gs::kStripFromBottom;
    UiFill(root, UiRect(0, top, client.right, client.bottom - gs::kBottomBand), gs::kStrip);
    const std::vector<std::string>& selected = candidates_.Selected();
    const int offset = candidates_.StripOffset();
    CKesBitmap& mark = SkinImage("dlg_Generate_bten_del.png");
    for (int k = 0; k < gs::kStripShown; ++k) {
        const std::size_t at = static_cast<std::size_t>(offset + k);
        if (at >= selected.size()) break;
        const ContactListEntry* entry = candidates_.Find(selected[at]);
        if (!entry) continue;
        const QString name = Text(entry->name);
        const UiRect avatar =
            UiRect::FromSize(gs::kStripLeft + gs::kStripStep * k, top + gs::kStripAvatarTop,
                             gs::kStripAvatarSize, gs::kStripAvatarSize);
        stripPictures_->Draw(root, avatar, entry->avatar, kLargeAvatarKey,
                             SkinImage("main_icon_default.png"), name);
        const UiRect remove(avatar.right - gs::kRemoveMarkInset, avatar.top - gs::kRemoveMarkOut,
                            avatar.right + gs::kRemoveMarkOut, avatar.top + gs::kRemoveMarkInset);
        if (UiButton(root, remove, QString(), group_texts::Untick(name), kUiTakesMouse, &mark)) {
            ctx.Later([this, qxid = entry->qxid] { Toggle(qxid); });
        }
    }
    if (static_cast<int>(selected.size()) <= gs::kStripShown) return;
    const UiRect back =
        UiRect::FromSize(gs::kArrowMargin, top + gs::kArrowTop, gs::kArrowSize, gs::kArrowSize);
    const UiRect on = UiRect::FromSize(client.right - gs::kArrowMargin - gs::kArrowSize,
                                       top + gs::kArrowTop, gs::kArrowSize, gs::kArrowSize);
    if (UiButton(root, back, QString(), group_texts::StripBack(),
                 candidates_.CanScrollBack() ? kUiTakesMouse : kUiDisabled,
                 &SkinImage("btn_ToLeft.png"))) {
        ctx.Later([this] {
            candidates_.ScrollBack();
            Invalidate(false);
        });
    }
    if (UiButton(root, on, QString(), group_texts::StripOn(),
                 candidates_.CanScrollOn() ? kUiTakesMouse : kUiDisabled,
                 &SkinImage("btn_ToRight.png"))) {
        ctx.Later([this] {
            candidates_.ScrollOn();
            Invalidate(false);
        });
    }
}

// ---- the confirmation ----

void CDlgGenerateSession::Confirm() {
    if (Confirming()) return;
    const std::vector<std::string> qxids = candidates_.Selected();
    if (qxids.empty()) {
        DestroyWindow();
        return;
    }
    note_.clear();
    RunFlowOnce(confirmFlow_, [this, qxids](CAsyncWorkFlow& flow) {
        if (conversationId_ > 0 && IsGroup(conversationId_)) {
            AddOneByOne(flow, qxids);
        } else {
            StartChat(flow, qxids);
        }
    });
    Invalidate(false);
}

void CDlgGenerateSession::StartChat(CAsyncWorkFlow& flow, std::vector<std::string> qxids) {
    // A one-to-one conversation grows into the conversation of its peer and the new people.
    if (conversationId_ > 0) {
        const ConversationRecord* conversation =
            CDBMsgDlg::Instance().FindConversation(conversationId_);
        if (!conversation) {
            ReportFailure(ErrorRecord{}, group_texts::ConversationGone());
            return;
        }
        qxids.insert(qxids.end(), conversation->member_ids.begin(), conversation->member_ids.end());
    }
    const auto alive = alive_;
    ErrorRecord error;
    const std::int32_t id = GetConversationId(&error, false, flow, qxids);
    if (!*alive) return;
    if (id > 0) {
        OpenConversation(id);
        PostMessage(WM_CLOSE);
        return;
    }
    ReportFailure(error,
                  conversationId_ > 0 ? group_texts::AddFailed() : group_texts::StartFailed());
}

void CDlgGenerateSession::AddOneByOne(CAsyncWorkFlow& flow, std::vector<std::string> qxids) {
    const auto alive = alive_;
    for (std::size_t i = 0; i < qxids.size(); ++i) {
        ErrorRecord error;
        const bool added = AddMembers(conversationId_, &error, flow, {qxids[i]});
        if (!*alive) return;
        if (added) continue;
        const ContactListEntry* who = candidates_.Find(qxids[i]);
        const QString name = who ? Text(who->name) : Text(qxids[i]);
        const std::vector<std::string> remaining(qxids.begin() + static_cast<std::ptrdiff_t>(i),
                                                 qxids.end());
        KeepTicked(remaining);
        ReportFailure(error, group_texts::AddOneFailed(name, static_cast<int>(i)));
        return;
    }
    PostMessage(WM_CLOSE);
}

void CDlgGenerateSession::KeepTicked(const std::vector<std::string>& remaining) {
    const std::string text = candidates_.SearchText();
    candidates_.Build(conversationId_);
    for (const std::string& qxid : remaining)
        candidates_.Toggle(qxid);
    candidates_.Search(text);
    FillList();
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
}

bool CDlgGenerateSession::ReportFailure(const ErrorRecord& error, const QString& what) {
    const auto alive = alive_;
    note_ = group_texts::FailureNote(what, error);
    Invalidate(false);
    if (error.error_code > 0) {
        ErrorRecord shown = error;
        shown.error_msg = (what + QStringLiteral("：")).toStdString() + error.error_msg;
        CMainWnd::Instance().ShowApiError(m_hWnd, shown);
    } else {
        ShowMessageBox(m_hWnd, note_.toStdString(), CMainWnd::kErrorCaption, MB_OK);
    }
    return *alive;
}

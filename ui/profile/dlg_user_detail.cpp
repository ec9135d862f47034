#include "ui/profile/dlg_user_detail.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "api/api_controller.h"
#include "api/contacts.h"
#include "api/pending_items.h"
#include "config/log.h"
#include "conversation/page_links.h"
#include "storage/image_cache.h"
#include "storage/user_store.h"
#include "toolkit/elements/text_draw.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_directory.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/chat/chat_entry.h"
#include "ui/common/program_icon.h"
#include "ui/main/main_wnd.h"
#include "ui/profile/dlg_add_contact_confirm.h"
#include "ui/profile/profile_style.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace ps = profile_style;

namespace {

constexpr char kNoticeCaption[] = "Lumeno - 提示";
constexpr char kRecommendationOnly[] = "对不起，该联系人需要好友推荐才能添加";
constexpr char kRequestSent[] = "好友添加请求发送成功";
constexpr char kRequestFailed[] = "对不起，添加好友失败";
constexpr char kFetchFailed[] = "详细资料没能取到，请检查网络后重试。";
constexpr char kBreakFailed[] = "解除好友关系没有成功，请稍后重试。";
constexpr char kAcceptFailed[] = "通过申请没有成功，请稍后重试。";

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CDlgUserDetail::CDlgUserDetail(std::string userId) : userId_(std::move(userId)) {
    user_.qxid = userId_;
}

CDlgUserDetail::CDlgUserDetail(const UserRecord& user) : userId_(user.qxid), user_(user) {}

CDlgUserDetail::~CDlgUserDetail() {
    *alive_ = false;
    CAsyncWorkFlow::CancelFlow(&detailFlow_);
    CAsyncWorkFlow::CancelFlow(&addFlow_);
    CAsyncWorkFlow::CancelFlow(&breakFlow_);
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
}

HWND CDlgUserDetail::Create() {
    return VWindowImpl::Create(
        nullptr,
        UiRect::FromSize(0, 0, ps::kWidth, ps::kCaptionHeight + ps::kCardHeight + ps::kStripHeight),
        QString(), WS_POPUP);
}

void CDlgUserDetail::OnCreate() {
    RefreshUser();
    SetWindowText(QStringLiteral("%1 - 详细资料").arg(Text(user_.name)));
    shadow_.Create(m_hWnd);
    SetCornerRadius(palette::kCornerRadius);
    pictures_ = std::make_unique<CCachedPictures>(content_);
    content_.Create(m_hWnd, UiRect::FromSize(0, ps::kCaptionHeight, ps::kWidth, ps::kCardHeight));
    content_.SetDlgCtrlID(kContentId);
    content_.ShowWindow(SW_SHOW);
    if (QWidget* widget = Widget()) {
        widget->setWindowIcon(ProgramIcon());
        widget->setAccessibleName(GetWindowText());
    }
    Rebuild();
    CenterWindow();
    ShowWindow(SW_SHOW);
    if (!DetailsHidden(user_, pendingId_ != 0)) StartFetch();
    CApiController::Instance().Events().Subscribe(kEventMask, this);
    subscribed_ = true;
    SetFocus();
}

bool CDlgUserDetail::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case WM_DESTROY:
            *alive_ = false;
            CAsyncWorkFlow::CancelFlow(&detailFlow_);
            CAsyncWorkFlow::CancelFlow(&addFlow_);
            CAsyncWorkFlow::CancelFlow(&breakFlow_);
            if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
            subscribed_ = false;
            CMainWnd::Instance().CloseProfileWindow(userId_);
            return false;
        case UM_PENDING_REQUEST:
            pendingId_ = static_cast<std::int32_t>(wParam);
            pendingType_ = static_cast<std::int32_t>(lParam);
            Rebuild();
            if (DegreeOf(user_) == FriendDegree::Third) StartFetch();
            return true;
        case UM_PROFILE_STEP:
            OnStep(static_cast<Step>(wParam));
            return true;
        case WM_TIMER:
            if (wParam != kCopiedTimer) return false;
            // The notice that a value was copied has been seen long enough.
            KillTimer(kCopiedTimer);
            copied_.reset();
            content_.Invalidate(false);
            return true;
        case WM_KEYDOWN:
            // Escape closes the window, as it closes the client's dialogs.
            if (wParam != VK_ESCAPE) return false;
            CloseWindow();
            return true;
        default:
            return false;
    }
}

void CDlgUserDetail::OnFinalMessage() {
    delete this;
}

void CDlgUserDetail::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    if (kind == db_event::kPendingCompleted && pendingId_ != 0 && first == pendingId_ &&
        second == db_event::kFailed) {
        // Shown from the window's own message, not inside the delivery of events.
        acceptError_ = CApiController::Instance().LastApiError();
        PostMessage(UM_PROFILE_STEP, static_cast<WPARAM>(Step::AcceptFailed));
        return;
    }
    if (kind != db_event::kConversationChanged && second != db_event::kDone) return;
    // The request this window answered is done.
    if (kind == db_event::kPendingCompleted && first == pendingId_) pendingId_ = 0;
    const bool changed = RefreshUser();
    if (kind == db_event::kConversationChanged) {
        if (changed) Rebuild();
        return;
    }
    if (!Fetching() && !DetailsHidden(user_, pendingId_ != 0)) StartFetch();
    Rebuild();
}

void CDlgUserDetail::StartFetch() {
    const bool anonymous = user_.anonym != 0;
    RunFlowOnce(detailFlow_, [this, alive = alive_, id = userId_, anonymous](CAsyncWorkFlow& flow) {
        ErrorRecord error;
        const bool found = anonymous ? FetchTalentDetail(&error, id, flow) != nullptr
                                     : FetchUserDetail(&error, id, flow) != nullptr;
        if (!*alive) return;
        fetchError_ = error;
        fetchFailed_ = !found || error.error_code != 0;
        PostMessage(UM_PROFILE_STEP, static_cast<WPARAM>(Step::Fetched));
    });
}

bool CDlgUserDetail::RefreshUser() {
    const UserRecord* stored = CDBUser::Instance().Find(userId_);
    // A third-degree card keeps its own record until the service has told more.
    if (!stored || (user_.dist == 3 && stored->name.empty())) return false;
    const bool changed = stored->name != user_.name || stored->avatar != user_.avatar ||
                         stored->dist != user_.dist || stored->career != user_.career ||
                         stored->loc != user_.loc || stored->judge != user_.judge;
    user_ = *stored;
    return changed;
}

void CDlgUserDetail::Rebuild() {
    const ProfileRecord* profile = FindProfile(userId_);
    const TalentRecord* talent = FindTalent(userId_);
    contacts_ = ContactTextsOf(user_, profile);
    sections_ = BuildSections(user_, profile, talent, expanded_);
    const std::vector<ProfileSection> all = BuildSections(user_, profile, talent, true);
    extraHeight_ = ExtraHeightOf(all);
    if (!IsWindow()) return;
    SetWindowText(QStringLiteral("%1 - 详细资料").arg(Text(user_.name)));
    content_.ClearItems();
    for (const ProfileSection& section : sections_)
        content_.AddItem(section.title, section.height);
    content_.Layout();
    if (expanded_ && extraHeight_ == 0) expanded_ = false;
    ResizeForSections();
    content_.Invalidate(false);
    Invalidate(false);
}

void CDlgUserDetail::ResizeForSections() {
    const int listHeight = ps::kCardHeight + (expanded_ ? extraHeight_ : 0);
    const int height = ps::kCaptionHeight + listHeight + ps::kStripHeight;
    if (ClientHeight() != height) ResizeClient(ps::kWidth, height);
    content_.MoveWindow(0, ps::kCaptionHeight, ps::kWidth, listHeight);
}

bool CDlgUserDetail::CanExpand() const {
    return !DetailsHidden(user_, pendingId_ != 0) && extraHeight_ > 0;
}

void CDlgUserDetail::ToggleExpanded() {
    if (!CanExpand() && !expanded_) return;
    expanded_ = !expanded_;
    Rebuild();
}

CardButton CDlgUserDetail::FirstButton() const {
    return FirstCardButton(user_, FindProfile(userId_), pendingId_ != 0, requested_);
}

void CDlgUserDetail::CopyContact(ContactRow row) {
    const QString& value = row == ContactRow::Mobile  ? contacts_.mobile
                           : row == ContactRow::Email ? contacts_.email
                                                      : contacts_.qq;
    // The placeholder of someone not yet a friend is nothing to copy.
    if (value.isEmpty() || contacts_.hidden) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    clipboard->setText(value);
    // The row says so for a while.
    copied_ = row;
    SetTimer(kCopiedTimer, ps::kCopiedNoticeMs);
    content_.Invalidate(false);
}

void CDlgUserDetail::PressFirstButton() {
    const CardButton button = FirstButton();
    if (!button.enabled) return;
    switch (button.action) {
        case CardAction::EditOwn:
            CMainWnd::Instance().OpenProfileEditPage();
            break;
        case CardAction::Break:
            AskBreak();
            break;
        case CardAction::Add:
            StartAdd();
            break;
        case CardAction::Accept:
            Accept();
            break;
        case CardAction::Requested:
        case CardAction::None:
            break;
    }
}

void CDlgUserDetail::PressSecondButton() {
    const FriendDegree degree = DegreeOf(user_);
    if (degree == FriendDegree::Self || degree == FriendDegree::Third) return;
    StartConversation(userId_);
}

void CDlgUserDetail::StartAdd() {
    if (adding_) return;
    adding_ = true;
    Invalidate(false);
    RunFlowOnce(addFlow_, [this, alive = alive_, id = userId_](CAsyncWorkFlow& flow) {
        ErrorRecord error;
        TryAddResult result;
        const bool accepted = TryAdd(&error, id, result, flow);
        if (!*alive) return;
        addError_ = error;
        addAccepted_ = accepted;
        recommendationOnly_ = result.reconly != 0;
        defaultAttach_ = Text(result.attach);
        PostMessage(UM_PROFILE_STEP, static_cast<WPARAM>(Step::TriedAdd));
    });
}

void CDlgUserDetail::AskAndSend() {
    const std::shared_ptr<bool> alive = alive_;
    const int level = CMainWnd::Instance().ChooseFriendLevel(m_hWnd);
    if (!*alive) return;
    if (level <= 0) {
        adding_ = false;
        Invalidate(false);
        return;
    }
    CDlgAddContactConfirm confirm(defaultAttach_);
    const int answer = confirm.DoModal(m_hWnd);
    if (!*alive) return;
    if (answer != IDOK) {
        adding_ = false;
        Invalidate(false);
        return;
    }
    const std::string attach = confirm.Text().toStdString();
    RunFlowOnce(addFlow_, [this, alive, id = userId_, attach, level](CAsyncWorkFlow& flow) {
        ErrorRecord error;
        const bool sent = SendFriendRequest(&error, id, attach, level, flow);
        if (!*alive) return;
        addError_ = error;
        sent_ = sent;
        PostMessage(UM_PROFILE_STEP, static_cast<WPARAM>(Step::Sent));
    });
}

void CDlgUserDetail::AskBreak() {
    if (Breaking()) return;
    const std::shared_ptr<bool> alive = alive_;
    CDlgMesssageBox box(QStringLiteral("解除好友关系后，双方联系方式和人脉圈"),
                        QStringLiteral("信息将互相不可见，是否继续？"));
    const int answer = box.DoModal(m_hWnd);
    if (!*alive || answer != CDlgMesssageBox::kSecondButton || Breaking()) return;
    RunFlowOnce(breakFlow_, [this, alive, id = userId_](CAsyncWorkFlow& flow) {
        ErrorRecord error;
        const bool broken = BreakFriendship(id, &error, flow) != nullptr;
        if (!*alive) return;
        breakError_ = error;
        broken_ = broken;
        PostMessage(UM_PROFILE_STEP, static_cast<WPARAM>(Step::Broken));
    });
    Invalidate(false);
}

void CDlgUserDetail::Accept() {
    const std::shared_ptr<bool> alive = alive_;
    const int level = CMainWnd::Instance().ChooseFriendLevel(m_hWnd);
    if (!*alive || level <= 0 || pendingId_ == 0) return;
    CompleteItemInBackground(pendingType_, pendingId_, level, std::string());
}

void CDlgUserDetail::OnStep(Step step) {
    switch (step) {
        case Step::Fetched:
            RefreshUser();
            Rebuild();
            if (fetchFailed_) ShowFailure(fetchError_, kFetchFailed);
            return;
        case Step::TriedAdd:
            if (recommendationOnly_ && addError_.error_code == 0) {
                adding_ = false;
                Invalidate(false);
                ShowMessageBox(m_hWnd, kRecommendationOnly, kNoticeCaption, MB_OK);
                return;
            }
            if (!addAccepted_) {
                adding_ = false;
                Invalidate(false);
                ShowFailure(addError_, kRequestFailed);
                return;
            }
            AskAndSend();
            return;
        case Step::Sent: {
            adding_ = false;
            if (!sent_) {
                Invalidate(false);
                ShowFailure(addError_, kRequestFailed);
                return;
            }
            requested_ = true;
            RefreshUser();
            Rebuild();
            const std::shared_ptr<bool> alive = alive_;
            ShowMessageBox(m_hWnd, kRequestSent, kNoticeCaption, MB_OK);
            if (*alive && !Fetching()) StartFetch();
            return;
        }
        case Step::AcceptFailed:
            ShowFailure(acceptError_, kAcceptFailed);
            return;
        case Step::Broken:
            if (!broken_) {
                Invalidate(false);
                ShowFailure(breakError_, kBreakFailed);
                return;
            }
            RefreshUser();
            Rebuild();
            if (!Fetching()) StartFetch();
            return;
    }
}

void CDlgUserDetail::ShowFailure(const ErrorRecord& error, const char* fallback) {
    if (CMainWnd::Instance().ShowApiError(m_hWnd, error)) return;
    ShowMessageBox(m_hWnd, fallback, CMainWnd::kErrorCaption, MB_OK);
}

void CDlgUserDetail::CloseWindow() {
    CAsyncWorkFlow::CancelFlow(&detailFlow_);
    CAsyncWorkFlow::CancelFlow(&addFlow_);
    CAsyncWorkFlow::CancelFlow(&breakFlow_);
    DestroyWindow();
}

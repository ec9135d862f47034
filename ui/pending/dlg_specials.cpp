#include "ui/pending/dlg_specials.h"

#include <QApplication>
#include <QWidget>

#include "api/api_controller.h"
#include "api/group_chat.h"
#include "api/pending_items.h"
#include "storage/msg_dlg_store.h"
#include "storage/specials_store.h"
#include "toolkit/skin/skin_images.h"
#include "ui/common/cached_pictures.h"
#include "ui/common/program_icon.h"
#include "ui/main/main_wnd.h"
#include "ui/pending/dlg_send_resume.h"
#include "ui/pending/dlg_special_recommend.h"
#include "ui/pending/specials_style.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/web_address.h"
#include "ui/ui_messages.h"

namespace ss = specials_style;

namespace {

// The conversation whose badge counts the pending items.
constexpr std::int32_t kPendingItemsConversation = 1;
// The profile page the "complete your profile" item leads to.
constexpr char kProfileEditPath[] = "/edit_info";

}  // namespace

CDlgSpecials::CDlgSpecials()
    : chooseLevel_([](HWND owner) { return CMainWnd::Instance().ChooseFriendLevel(owner); }) {}

CDlgSpecials::~CDlgSpecials() {
    CAsyncWorkFlow::CancelFlow(&actionFlow_);
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
    pictures_.reset();
    if (IsWindow()) DestroyWindow();
}

HWND CDlgSpecials::Create() {
    return VWindowImpl<CDlgSpecials>::Create(nullptr,
                                             UiRect::FromSize(0, 0, ss::kWidth, ss::kHeight),
                                             QString::fromUtf8(kTitle), WS_POPUP);
}

void CDlgSpecials::OnCreate() {
    if (QWidget* widget = Widget()) widget->setWindowIcon(ProgramIcon());
    SetWindowText(QString::fromUtf8(kTitle));
    shadow_.Create(m_hWnd);
    SetCornerRadius(palette::kCornerRadius);
    list_.Create(m_hWnd, UiRect(0, ss::kListTop, ss::kWidth, ss::kHeight));
    list_.SetOpaque(true);  // every row fills itself
    bar_.CreateSkinned(m_hWnd, list_);
    pictures_ = std::make_unique<CCachedPictures>(list_);
    CApiController::Instance().Events().Subscribe(kEventMask, this);
    subscribed_ = true;
    ResizeClient(ss::kWidth, ss::kHeight);
    CenterWindow();
}

void CDlgSpecials::OnLayout(int width, int height) {
    if (!list_.IsWindow()) return;
    list_.MoveWindow(0, ss::kListTop, width, std::max(0, height - ss::kListTop));
    bar_.Place();
}

void CDlgSpecials::Present() {
    if (!IsWindow()) return;
    if (IsWindowVisible()) {
        ShowWindow(IsIconic() ? SW_RESTORE : SW_SHOW);
        if (QWidget* widget = Widget()) {
            widget->raise();
            widget->activateWindow();
            QApplication::alert(widget);
        }
        // A visible window fetches again only when the conversation page says more is waiting.
        const ConversationRecord* badge =
            CDBMsgDlg::Instance().FindConversation(kPendingItemsConversation);
        if (badge && badge->badge > 0) RefreshPendingItems();
        return;
    }
    ShowWindow(SW_SHOW);
    if (QWidget* widget = Widget()) {
        widget->raise();
        widget->activateWindow();
    }
    loadFailed_ = false;
    RefreshPendingItems();
}

void CDlgSpecials::Dismiss() {
    if (!IsWindow() || !IsWindowVisible()) return;
    ShowWindow(SW_HIDE);
    CAsyncWorkFlow::CancelFlow(&actionFlow_);
    CAsyncWorkFlow::CancelFlow(&CApiController::Instance().pendingItems);
    failures_.clear();
    loading_ = false;
    loadFailed_ = false;
    CDBSpecials::Instance().Clear();
    RebuildRows();
}

// ---- rows ----

void CDlgSpecials::RebuildRows() {
    if (!list_.IsWindow()) return;
    rows_ = BuildSpecialRows(PendingItemIds(), FindPendingItem);
    list_.SetRedraw(false);
    list_.ResetContent();
    for (const SpecialRow& row : rows_) {
        list_.SetRowHeight(row.kind == SpecialRowKind::Header ? ss::kHeaderHeight
                                                              : ss::kItemHeight);
        list_.InsertItem();
    }
    list_.SetRedraw(true);
    list_.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    bar_.Synchronise();
}

int CDlgSpecials::RowOf(std::int32_t itemId) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].kind == SpecialRowKind::Item && rows_[i].itemId == itemId)
            return static_cast<int>(i);
    }
    return -1;
}

// ---- events ----

void CDlgSpecials::OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) {
    switch (kind) {
        case db_event::kPendingItems:
            loading_ = second == db_event::kStarted;
            if (second == db_event::kDone) {
                loadFailed_ = false;
                RebuildRows();
                return;
            }
            if (second == db_event::kFailed && IsWindowVisible()) {
                loadFailed_ = true;
                const ErrorRecord* error =
                    CApiController::Instance().LastErrorOf(db_event::kPendingItems);
                ErrorRecord shown = error ? *error : ErrorRecord();
                if (shown.error_msg.empty() && shown.error_code <= 0)
                    shown.error_msg = kListFailedText;
                ReportFailure(shown);
            }
            list_.RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            return;
        case db_event::kPendingIgnored:
        case db_event::kPendingCompleted:
            // A failure from elsewhere (a profile window) is told by that window. The store
            // already shows the answer (the operation marked it): the card is drawn again.
            if (second != db_event::kDone || !FindPendingItem(first)) return;
            list_.Invalidate(false);
            Invalidate(false);
            return;
        default:
            return;
    }
}

// ---- answers ----

bool CDlgSpecials::AskBeforeCompleting(std::int32_t itemId, bool& groupChat, std::string& text,
                                       std::int32_t& level) {
    const PendingItem* item = FindPendingItem(itemId);
    if (!item) return false;
    const auto alive = AliveToken();
    // Each question is modal: when it ends the item is looked up again, since a return to the
    // login page may have emptied the store (and hidden this window) meanwhile.
    auto stillThere = [this, alive, itemId] {
        return *alive && IsWindowVisible() && FindPendingItem(itemId) != nullptr;
    };
    switch (item->type) {
        case pending_type::kLevelRequest:
            if (item->dist == 1) {
                CDlgMesssageBox box(QString::fromStdString(item->confirm_text));
                box.SetButtonCaptions(
                    item->confirm_ignore.shown ? QString::fromStdString(item->confirm_ignore.text)
                                               : QString(),
                    item->confirm_action.shown ? QString::fromStdString(item->confirm_action.text)
                                               : QString());
                const int answer = box.DoModal(m_hWnd);
                return stillThere() && answer == CDlgMesssageBox::kSecondButton;
            }
            [[fallthrough]];
        case pending_type::kFriendRequest: {
            const int chosen = chooseLevel_ ? chooseLevel_(m_hWnd) : 0;
            if (!stillThere() || chosen < 1 || chosen > 3) return false;
            level = chosen;
            return true;
        }
        case pending_type::kRecommendation: {
            CDlgSpecialRecommend dialog(QString::fromStdString(item->confirm_text));
            const int answer = dialog.DoModal(m_hWnd);
            if (!stillThere() || answer != CDlgSpecialRecommend::kConfirmed) return false;
            groupChat = dialog.GroupChat();
            text = dialog.Reason().toStdString();
            return true;
        }
        case pending_type::kJobOffer: {
            CDlgSendResume dialog(item->resume_url);
            const int answer = dialog.DoModal(m_hWnd);
            return stillThere() && answer == CDlgSendResume::kConfirmed;
        }
        case pending_type::kGroupInvitation:
            return true;
        default:
            return false;
    }
}

void CDlgSpecials::RunItemAnswer(std::int32_t itemId) {
    const PendingItem* item = FindPendingItem(itemId);
    if (!item || AnswerRunning()) return;
    if (item->type == pending_type::kNotice) {
        // Completing the profile happens on the web site; nothing is sent.
        web_address::Open(std::string(web_address::kProductSite) + kProfileEditPath);
        return;
    }
    const std::int32_t type = item->type;
    bool groupChat = false;
    std::string text;
    std::int32_t level = 0;
    if (!AskBeforeCompleting(itemId, groupChat, text, level)) return;
    RunItemAction(ItemAction::Complete, type, itemId, groupChat, text, level);
}

void CDlgSpecials::RunItemAction(ItemAction action, std::int32_t type, std::int32_t itemId,
                                 bool groupChat, const std::string& text, std::int32_t level) {
    if (actionFlow_.Busy()) return;
    const PendingItem* item = FindPendingItem(itemId);
    std::vector<std::string> members = item ? item->qxids : std::vector<std::string>();
    RunFlow(&actionFlow_, [this, alive = AliveToken(), action, type, itemId, groupChat, text, level,
                           members = std::move(members)](CAsyncWorkFlow& flow) {
        ErrorRecord error;
        const bool answered = action == ItemAction::Ignore
                                  ? IgnoreItem(&error, type, itemId, flow)
                                  : CompleteItem(&error, type, itemId, level, text, flow);
        if (!*alive) return;
        if (!answered) ReportFailure(error);
        list_.Invalidate(false);  // the buttons take the mouse again
        // The group chat is asked for whatever the answer did; it arrives with the next
        // synchronisation.
        if (groupChat && !members.empty()) {
            ErrorRecord groupError;
            const std::int32_t id = GetConversationId(&groupError, false, flow, members);
            if (!*alive) return;
            if (id <= 0) ReportFailure(groupError);
        }
    });
    list_.Invalidate(false);  // the buttons wait for the answer
}

void CDlgSpecials::ReportFailure(const ErrorRecord& error) {
    failures_.push_back(error);
    // The box waits for the current flow step or event to end: nothing modal runs inside them.
    PostMessage(UM_SPECIALS_FAILURE, 0, 0);
}

void CDlgSpecials::ShowFailures() {
    if (failures_.empty() || !IsWindowVisible()) {
        failures_.clear();
        return;
    }
    ErrorRecord error = failures_.front();
    failures_.pop_front();
    const auto alive = AliveToken();
    if (error.error_code > 0) {
        if (error.error_msg.empty()) error.error_msg = kNoAnswerText;
        CMainWnd::Instance().ShowApiError(m_hWnd, error);
    } else {
        ShowMessageBox(m_hWnd, error.error_msg.empty() ? kNoAnswerText : error.error_msg,
                       CMainWnd::kErrorCaption, MB_OK);
    }
    if (*alive && !failures_.empty()) PostMessage(UM_SPECIALS_FAILURE, 0, 0);
}

// ---- what the card's other elements open ----

void CDlgSpecials::OpenPerson(const std::string& qxid, std::int32_t itemId,
                              std::int32_t requestType) {
    if (qxid.empty()) return;
    const HWND profile = CMainWnd::Instance().OpenProfileWindow(qxid);
    // The profile window may answer the request itself.
    if (profile && requestType != 0)
        platform::PostMessage(profile, UM_PENDING_REQUEST, static_cast<WPARAM>(itemId),
                              static_cast<LPARAM>(requestType));
}

void CDlgSpecials::OpenItemPicture(std::int32_t itemId) {
    const PendingItem* item = FindPendingItem(itemId);
    if (!item) return;
    if (item->type == pending_type::kJobOffer || item->type == pending_type::kGroupInvitation) {
        // The job's page, when the service gave a web address for it.
        if (!item->job_url.empty()) web_address::Open(item->job_url);
        return;
    }
    OpenPerson(item->icon_qxid, itemId,
               item->type == pending_type::kLevelRequest ? pending_type::kLevelRequest : 0);
}

// ---- window ----

bool CDlgSpecials::OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case WM_CLOSE:
            // The desktop's close command hides the window as the close button does.
            Dismiss();
            result = 0;
            return true;
        case UM_RETURN_TO_LOGIN:
            Dismiss();
            return true;
        case UM_SPECIALS_FAILURE:
            ShowFailures();
            return true;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                Dismiss();
                return true;
            }
            return false;
        case WM_SHOWWINDOW:
            if (wParam) Invalidate(false);
            return false;
        case WM_DESTROY:
            if (subscribed_) CApiController::Instance().Events().Unsubscribe(kEventMask, this);
            subscribed_ = false;
            return false;
        default:
            return false;
    }
}

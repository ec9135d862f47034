#include "ui/main/main_wnd.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "api/update_check.h"
#include "api/voice_player.h"
#include "config/config.h"
#include "config/log.h"
#include "flow/async_work_flow.h"
#include "platform/message_loop.h"
#include "platform/screen.h"
#include "platform/ui_thread.h"
#include "storage/user_store.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "toolkit/window/key_bridge.h"
#include "ui/chat/chat_entry.h"
#include "ui/chat/pasted_pictures.h"
#include "ui/chat/sends_in_flight.h"
#include "ui/common/program_icon.h"
#include "ui/common/tray_host.h"
#include "ui/contacts/page_contact.h"
#include "ui/conversations/page_message.h"
#include "ui/edit/edit_ex.h"
#include "ui/groups/dlg_generate_session.h"
#include "ui/groups/dlg_user_group_list.h"
#include "ui/login/page_login.h"
#include "ui/main/main_style.h"
#include "ui/main/message_notifier.h"
#include "ui/main/tray_icon.h"
#include "ui/pending/dlg_specials.h"
#include "ui/profile/dlg_friend_level.h"
#include "ui/profile/dlg_user_detail.h"
#include "ui/prompts/dlg_close_notify.h"
#include "ui/prompts/dlg_suggest.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/web_address.h"
#include "ui/ui_messages.h"

namespace ms = main_style;

namespace {
CMainWnd* g_instance = nullptr;
}

CMainWnd& CMainWnd::Instance() {
    if (!g_instance) g_instance = new CMainWnd;
    return *g_instance;
}

void CMainWnd::DestroyInstance() {
    delete g_instance;
    g_instance = nullptr;
}

CMainWnd::CMainWnd() {
    // Work-flow continuations come first, before the window's own map.
    AddHook(this);
}

CMainWnd::~CMainWnd() {
    messages_.reset();
    contacts_.reset();
    login_.reset();
    if (IsWindow()) DestroyWindow();
    RemoveHook(this);
}

HWND CMainWnd::Create(int left, int top, int right, int bottom) {
    // With a tray host the window lives in the tray and has no task-bar entry; without one the
    // task bar is the only way back to it.
    const DWORD exStyle = TrayHostAvailable() ? WS_EX_TOOLWINDOW | WS_EX_TOPMOST : WS_EX_TOPMOST;
    return VWindowImpl::Create(nullptr, UiRect(left, top, right, bottom), QStringLiteral("Lumeno"),
                               WS_POPUP, exStyle);
}

LRESULT CMainWnd::BeforeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                bool& handled) {
    LRESULT result = 0;
    handled = CAsyncWorkFlow::WindowEntry(hwnd, message, wParam, lParam, result);
    return result;
}

bool CMainWnd::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case UM_EDIT_CHANGED:
            if (static_cast<EditKind>(wParam) == EditKind::Search) OnSearchChanged();
            return true;
        case UM_EDIT_RETURN:
            if (static_cast<EditReturn>(lParam) == EditReturn::Enter && contacts_)
                contacts_->OpenFirstResult();
            return true;
        case UM_DISPATCH_EVENTS:
            CApiController::Instance().Events().Drain();
            return true;
        case UM_VOICE_NOTIFY:
            OnVoiceNotice(wParam, lParam);
            return true;
        case UM_SHOW_MAIN:
            if (signedIn_ && IsWindowVisible() && !IsIconic()) {
                // Docked and slid out: it slides back in.
                if (dock_.Docked() && dock_.AnimationFinished()) ApplyDock(dock_.SlideIn());
            } else if (signedIn_) {
                ShowMain();
            } else {
                ShowLogin();
            }
            return true;
        case UM_API_ERROR:
            // wParam is the code; the record is the controller's copy.
            if (static_cast<std::int32_t>(wParam) ==
                CApiController::Instance().LastApiError().error_code) {
                ShowApiError(m_hWnd, CApiController::Instance().LastApiError());
            }
            return true;
        case UM_RETURN_TO_LOGIN:
            ReturnToLogin(lParam != 0);
            return true;
        case WM_COMMAND:
            RunCommand(static_cast<MainCommand>(wParam));
            return true;
        case WM_KEYDOWN:
            return OnTabKey(wParam);
        case WM_CLOSE:
            OnClose();
            return true;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {kMinWidth, kMinHeight};
            const UiRect window = GetWindowRect();
            const platform::ScreenRect work =
                platform::WorkAreaOf({window.left, window.top, window.right, window.bottom});
            limits->ptMaxPosition = {work.left - 2, work.top - 2};
            limits->ptMaxSize = {work.Width() + 4, work.Height() + 4};
            return true;
        }
        case WM_MOVING:
            // Dragged, the window is whole again.
            if (!HiddenPart().isNull()) PlaceClient(GetWindowRect(), QMargins());
            ApplyDock(dock_.OnMoving(*reinterpret_cast<UiRect*>(lParam), QCursor::pos(),
                                     DesktopScreens()));
            return true;
        case WM_EXITSIZEMOVE:
            // Let go at an edge, the pointer is on the window: from now on its leaving counts,
            // even when it leaves at once.
            ApplyDock(dock_.OnHitTest(QCursor::pos()));
            return false;
        case WM_TIMER:
            if (wParam == DockTimers::kLeaveTimer) {
                ApplyDock(dock_.OnLeaveTick(GetWindowRect(), QCursor::pos()));
                return true;
            }
            if (wParam == DockTimers::kSlideTimer) {
                const DockSlideStep step = dock_.OnSlideTick(GetWindowRect());
                // The window slides by showing less of itself, never by leaving the screen: a
                // window manager keeps windows from moving themselves off it.
                if (step.moveTo) PlaceClient(*step.moveTo, dock_.OutOfSight(*step.moveTo));
                ApplyDock(step.timers);
                return true;
            }
            return false;
        case WM_NCHITTEST: {
            const QPoint screen(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            ApplyDock(dock_.OnHitTest(screen));
            result = HTCLIENT;
            if (IsZoomed()) return true;
            const QPoint at = ScreenToClient(screen);
            const UiRect client = GetClientRect();
            const int x = at.x(), y = at.y(), w = client.right, h = client.bottom;
            const int b = ms::kBorder;
            if (x > w - b && y > h - b) {
                result = HTBOTTOMRIGHT;
            } else if (x < b && y > h - b) {
                result = HTBOTTOMLEFT;
            } else if (x < b && y < b) {
                result = HTTOPLEFT;
            } else if (x > w - b && y < b) {
                result = HTTOPRIGHT;
            } else if (x < ms::kLeftBorder) {
                result = HTLEFT;
            } else if (x > w - b) {
                result = HTRIGHT;
            } else if (y < b) {
                result = HTTOP;
            } else if (y > h - b) {
                result = HTBOTTOM;
            }
            return true;
        }
        case WM_DESTROY:
            // The group windows and pickers do not outlive the program's window.
            for (const auto& [id, window] : std::map(groups_))
                platform::DestroyWindow(window);
            CDlgGenerateSession::CloseAll();
            CDlgSuggest::DestroyInstance();
            notifier_.reset();
            tray_.reset();
            CApiController::Instance().SetNotificationWindow(nullptr);
            login_.reset();
            platform::PostQuitMessage(0);
            return false;
        default:
            return false;
    }
}

void CMainWnd::OnCreate() {
    InstallKeyBridge();
    // Docking follows the window's own moves (X11 gives no moving notice for the system's).
    SetSteeredMoves(dock_.Enabled());
    tray_ = std::make_unique<CTrayIcon>(m_hWnd, [this](int x, int y) { ShowTrayMenu(x, y); });
    tray_->Add();
    shadow_.Create(m_hWnd);
    // The mention picker lives as long as the main window, hidden until a chat window asks.
    CDlgSuggest::Instance().Create(m_hWnd);

    search_ = new CEditEx(*this, EditKind::Search, QString::fromUtf8(ms::kSearchPlaceholder));
    search_->setFont(TextFont(ms::kSearchPixels));
    search_->SetColours(ms::kSearchBackground, ms::kSearchText, ms::kSearchPlaceholderColour);
    search_->setAccessibleName(QString::fromUtf8(ms::kSearchPlaceholder));
    search_->show();
    // Tab goes from the caption buttons to the search box, the page tabs and the page's list.
    AddFocusWidget(search_);

    if (QWidget* widget = Widget()) widget->setWindowIcon(ProgramIcon());
    if (qApp) QApplication::setWindowIcon(ProgramIcon());

    // The remembered accounts are read before the login page shows them (a sign-in rewrites
    // the whole list).
    CApiController::Instance().Saved().LoadSaved();
    CApiController::Instance().SetNotificationWindow(m_hWnd);
    ShowLogin();
}

bool CMainWnd::HasTray() const {
    return tray_ && tray_->Shown();
}

void CMainWnd::ApplyDock(const DockTimers& timers) {
    if (timers.stopLeave) KillTimer(DockTimers::kLeaveTimer);
    if (timers.stopSlide) KillTimer(DockTimers::kSlideTimer);
    if (timers.startLeave) SetTimer(DockTimers::kLeaveTimer, DockTimers::kLeavePeriodMs);
    if (timers.startSlide) SetTimer(DockTimers::kSlideTimer, DockTimers::kSlidePeriodMs);
}

void CMainWnd::ShowLogin() {
    if (login_ && !login_->IsWindow()) login_.reset();
    if (!login_) {
        login_ = std::make_unique<CPageLogIn>();
        if (!login_->Open()) {
            WriteLogText("the login page could not be made");
            login_.reset();
            return;
        }
    }
    signedIn_ = false;
    ShowWindow(SW_HIDE);
    // Hidden, the window no longer follows the pointer at a screen edge: it would slide out of
    // sight meanwhile and come back as a strip for the next account.
    LeaveDock();
    login_->Present();
}

void CMainWnd::LeaveDock() {
    const DockSlideStep step = dock_.Undock(GetWindowRect());
    ApplyDock(step.timers);
    // Whole again, nothing of it kept out of sight.
    if (const std::optional<UiRect>& to = step.moveTo) PlaceClient(*to, QMargins());
}

void CMainWnd::KeepOnScreen() {
    const UiRect window = GetWindowRect();
    const platform::ScreenRect work =
        platform::WorkAreaOf({window.left, window.top, window.right, window.bottom});
    if (work.Width() <= 0 || work.Height() <= 0) return;
    // Whole inside the work area of the screen it is (mostly) on, as far as its size allows.
    const platform::ScreenRect place =
        platform::MovedInside({window.left, window.top, window.right, window.bottom}, work);
    if (place.left != window.left || place.top != window.top)
        MoveWindow(place.left, place.top, window.Width(), window.Height(), false);
}

void CMainWnd::ShowSignedIn() {
    signedIn_ = true;
    // No input box is open yet: pasted pictures that no draft holds any more can go.
    PastedPictures::Instance().RemoveUnreferenced();
    if (!notifier_) notifier_ = std::make_unique<CMessageNotifier>();
    // The signed-in window takes the login page's place whoever asked for it, and comes back
    // whole on a screen: never hidden behind the page, docked out of sight or off every screen.
    if (login_ && login_->IsWindow()) login_->ShowWindow(SW_HIDE);
    LeaveDock();
    KeepOnScreen();
    ShowMain();
    SwitchPage(MainPage::Contacts);
    SwitchPage(MainPage::Messages);
    // The next thing typed is most likely a search.
    if (search_) search_->setFocus(Qt::OtherFocusReason);
}

void CMainWnd::ShowMain() {
    if (login_ && login_->IsWindow() && login_->IsWindowVisible()) return;
    ShowWindow(IsIconic() ? SW_RESTORE : SW_SHOWNORMAL);
    if (QWidget* widget = Widget()) {
        widget->raise();
        widget->activateWindow();
    }
    Invalidate(false);
}

void CMainWnd::Minimise() {
    ShowWindow(HasTray() ? SW_HIDE : SW_MINIMIZE);
}

void CMainWnd::OnClose() {
    switch (AskHowToClose(m_hWnd, HasTray())) {
        case CloseChoice::Cancel:
            return;
        case CloseChoice::HideToTray:
            ShowWindow(SW_HIDE);
            return;
        case CloseChoice::Quit:
            Quit();
            return;
    }
}

void CMainWnd::Quit() {
    if (quitting_ || !IsWindow()) return;
    quitting_ = true;
    using std::chrono::milliseconds;
    if (signedIn_) {
        // Tell the service that we leave, and give it and the sends on their way a moment.
        ReportPresenceOff();
        platform::PumpMessagesUntil(
            [] {
                CApiController& controller = CApiController::Instance();
                return !controller.presenceOff.Busy() && !controller.SendsRunning();
            },
            milliseconds(kExitGraceMs));
        // What is still on its way after that is kept, with what the windows hold.
        CloseAllConversations();
        KeepUnansweredSends();
    }
    // Every flow resumes through this window: the account's jobs and the pages' picture
    // fetches are stopped and unwind while it is still here.
    CApiController::Instance().CancelAllJobs();
    CancelBackgroundUpdateCheck();
    pictures_.Clear();
    messages_.reset();
    contacts_.reset();
    specials_.reset();
    platform::PumpMessagesUntil(
        [] { return CAsyncWorkFlow::FreeFiberCount() == CAsyncWorkFlow::FiberCount(); },
        milliseconds(kUnwindGraceMs));
    if (IsWindow()) DestroyWindow();
}

void CMainWnd::KeepUnansweredSends() {
    if (notifier_) notifier_->KeepUnansweredReplies();
    SendsInFlight::Instance().KeepUnansweredAsDrafts();
}

void CMainWnd::ReturnToLogin(bool forced) {
    if (!signedIn_) return;
    // Boxes and dialogs over the windows go first: nothing modal outlives the account.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->isModal()) widget->close();
    }
    ClearSearch();
    for (const auto& [id, window] : std::map(profiles_))
        platform::DestroyWindow(window);
    for (const auto& [id, window] : std::map(groups_))
        platform::DestroyWindow(window);
    CDlgGenerateSession::CloseAll();
    profiles_.clear();
    groups_.clear();
    if (specials_ && specials_->IsWindow()) specials_->PostMessage(UM_RETURN_TO_LOGIN, 0, 1);
    // The clip stops silently, before the conversations close.
    StopVoiceForSignOut();
    // The conversations and their flows end before the stores are emptied under them.
    CloseAllConversations();
    KeepUnansweredSends();
    // The account's notifications go with it.
    notifier_.reset();
    ReportPresenceOff();
    SignOut();
    ShowLogin();
    signInLostTold_ = false;
    if (!forced && login_) login_->Reset();
    // Sent back with the account kept, the person goes on with the password.
    if (forced && login_ && login_->AccountBox() && login_->PasswordBox() &&
        !login_->AccountBox()->ShowsPlaceholder() && !login_->AccountBox()->text().isEmpty()) {
        login_->PasswordBox()->setFocus(Qt::OtherFocusReason);
        login_->PasswordBox()->end(false);
    }
    if (messages_) messages_->Reset();
    if (contacts_) contacts_->Clear();
    SetUnreadCount(0);
    pictures_.Clear();
}

bool CMainWnd::ShowApiError(HWND owner, const ErrorRecord& error) {
    if (error.error_code <= 0) return false;
    const bool signInLost =
        error.error_code == kErrorTokenInvalid || error.error_code == kErrorTokenRevoked;
    // The presence reports, a synchronisation and the windows' own requests all meet a revoked
    // token: the first one tells it, the others add nothing while its box is up or the return
    // to the login page is on its way.
    if (signInLost && signInLostTold_) return true;
    if (signInLost) signInLostTold_ = true;
    const QString text = QStringLiteral("%1 (错误码: %2)")
                             .arg(QString::fromStdString(error.error_msg))
                             .arg(error.error_code);
    QPointer<QWidget> self = Widget();
    ShowMessageBox(owner, text.toStdString(), kErrorCaption, MB_OK);
    if (!self || !IsWindow()) return true;
    if (signInLost) {
        if (signedIn_ && (!login_ || !login_->IsWindow() || !login_->IsWindowVisible())) {
            PostMessage(UM_RETURN_TO_LOGIN, 0, 1);
        } else {
            signInLostTold_ = false;  // told at the login page: nothing more to do
        }
    }
    return true;
}

UiRect CMainWnd::PageArea() const {
    const UiRect client = GetClientRect();
    const int top =
        SkinImage("main_top_bg.png").FrameHeight() + SkinImage("top_switch_btn.png").FrameHeight();
    return UiRect(ms::kPageInset, top, client.right - ms::kPageInset,
                  std::max(top, client.bottom - ms::kPageBottom));
}

void CMainWnd::OnLayout(int width, int height) {
    (void)height;
    if (search_) {
        search_->Place(UiRect::FromSize(ms::kSearchBoxLeft, ms::kSearchBoxTop,
                                        width - ms::kSearchBoxLeft - ms::kSearchBoxRightMargin,
                                        ms::kSearchBoxHeight));
    }
    const UiRect area = PageArea();
    for (VWindowImplRoot* page : {static_cast<VWindowImplRoot*>(messages_.get()),
                                  static_cast<VWindowImplRoot*>(contacts_.get())}) {
        if (page && page->IsWindow())
            page->MoveWindow(area.left, area.top, area.Width(), area.Height());
    }
}

void CMainWnd::SwitchPage(MainPage page) {
    if (page == MainPage::None) return;
    if (messages_ && messages_->IsWindow()) messages_->ShowWindow(SW_HIDE);
    if (contacts_ && contacts_->IsWindow()) contacts_->ShowWindow(SW_HIDE);
    page_ = page;
    const UiRect area = PageArea();
    VWindowImplRoot* visible = nullptr;
    if (page == MainPage::Messages) {
        if (!messages_) messages_ = std::make_unique<CPageMessage>();
        if (!messages_->IsWindow()) messages_->Create(m_hWnd, area);
        AddFocusWidget(messages_->List().Widget());
        visible = messages_.get();
    } else {
        if (!contacts_) contacts_ = std::make_unique<CPageContact>();
        if (!contacts_->IsWindow()) contacts_->Create(m_hWnd, area);
        AddFocusWidget(contacts_->List().Widget());
        visible = contacts_.get();
    }
    if (contacts_ && contacts_->IsWindow() && contacts_->InSearchMode()) {
        ClearSearch();
        SetFocus();
    }
    if (visible && visible->IsWindow()) visible->ShowWindow(SW_SHOW);
    const UiRect client = GetClientRect();
    OnLayout(client.Width(), client.Height());
    Invalidate(false);
}

bool CMainWnd::OnTabKey(WPARAM key) {
    if (key != VK_LEFT && key != VK_RIGHT) return false;
    const UiRect& focus = FocusRect();
    if (focus.IsEmpty() ||
        (focus != TabRect(MainPage::Messages) && focus != TabRect(MainPage::Contacts))) {
        return false;
    }
    // Two tabs: either arrow goes to the other one, as the tab row wraps round.
    const MainPage other =
        focus == TabRect(MainPage::Messages) ? MainPage::Contacts : MainPage::Messages;
    SwitchPage(other);
    SetFocusElement(TabRect(other));
    return true;
}

void CMainWnd::ClearSearch() {
    if (search_) search_->SetText(QString());
    if (searchActive_) {
        searchActive_ = false;
        Invalidate(false);
    }
    if (contacts_ && contacts_->IsWindow() && contacts_->InSearchMode()) contacts_->LeaveSearch();
}

void CMainWnd::OnSearchChanged() {
    if (!contacts_ || !contacts_->IsWindow() || !search_) return;
    const QString text = search_->text().trimmed();
    if (!text.isEmpty()) {
        if (!searchActive_) {
            searchActive_ = true;
            Invalidate(false);
        }
        if (messages_ && messages_->IsWindow()) messages_->ShowWindow(SW_HIDE);
        contacts_->Search(text);
        contacts_->ShowWindow(SW_SHOW);
        return;
    }
    if (searchActive_) {
        searchActive_ = false;
        Invalidate(false);
    }
    if (contacts_->InSearchMode()) contacts_->LeaveSearch();
    if (page_ == MainPage::Messages && messages_ && messages_->IsWindow()) {
        messages_->ShowWindow(SW_SHOW);
        contacts_->ShowWindow(SW_HIDE);
    }
    search_->setFocus();
}

void CMainWnd::SetUnreadCount(int count) {
    if (count < 0) count = 0;
    if (tray_) tray_->SetUnread(count);
    if (unread_ == count) return;
    unread_ = count;
    Invalidate(false);
}

QString CMainWnd::BadgeText(int count) {
    if (count <= 0) return QString();
    if (count > 99) return QStringLiteral("99+");
    return QString::number(count);
}

HWND CMainWnd::OpenProfileWindow(const std::string& userId) {
    if (userId.empty() || userId == "0") return nullptr;
    UserRecord user;
    user.qxid = userId;
    if (const UserRecord* stored = CDBUser::Instance().Find(userId)) user = *stored;
    return OpenProfileWindow(user);
}

HWND CMainWnd::OpenProfileWindow(const UserRecord& user) {
    if (!signedIn_ || user.qxid.empty()) return nullptr;
    if (auto found = profiles_.find(user.qxid); found != profiles_.end()) {
        if (platform::IsWindow(found->second)) {
            const VWindow window(found->second);
            window.ShowWindow(window.IsIconic() ? SW_RESTORE : SW_SHOW);
            auto* root = dynamic_cast<VWindowImplRoot*>(platform::WindowFromHandle(found->second));
            if (QWidget* widget = root ? root->Widget() : nullptr) {
                widget->raise();
                widget->activateWindow();
            }
            return found->second;
        }
        profiles_.erase(found);
    }
    WriteLogText("open the profile of " + user.qxid);
    // The window deletes itself when it is destroyed.
    auto* window = new CDlgUserDetail(user);
    const HWND hwnd = window->Create();
    if (!hwnd) {
        delete window;
        return nullptr;
    }
    profiles_[user.qxid] = hwnd;
    return hwnd;
}

int CMainWnd::ChooseFriendLevel(HWND owner) {
    CDlgFriendLevel chooser;
    return chooser.DoModal(owner) == IDOK ? chooser.Level() : 0;
}

void CMainWnd::OpenProfileEditPage() {
    web_address::Open(std::string(web_address::kProductSite) + "/edit_info");
}

void CMainWnd::CloseProfileWindow(const std::string& userId) {
    profiles_.erase(userId);
}

HWND CMainWnd::OpenGroupInfoWindow(std::int32_t conversationId) {
    if (auto found = groups_.find(conversationId); found != groups_.end()) {
        if (platform::IsWindow(found->second)) {
            // The open window comes forward.
            const VWindow open(found->second);
            open.ShowWindow(open.IsIconic() ? SW_RESTORE : SW_SHOW);
            if (QWidget* widget = open.Widget()) {
                widget->raise();
                widget->activateWindow();
            }
            return found->second;
        }
        groups_.erase(found);
    }
    WriteLogText("open the group information of " + std::to_string(conversationId));
    CDlgUserGroupList* window = CDlgUserGroupList::Open(conversationId);
    if (!window) {
        WriteLogText("no group information for " + std::to_string(conversationId));
        return nullptr;
    }
    groups_[conversationId] = window->m_hWnd;
    return window->m_hWnd;
}

void CMainWnd::CloseGroupInfoWindow(std::int32_t conversationId) {
    groups_.erase(conversationId);
}

void CMainWnd::OpenPendingItems() {
    if (!signedIn_) return;
    if (!specials_) specials_ = std::make_unique<CDlgSpecials>();
    if (!specials_->IsWindow() && !specials_->Create()) {
        WriteLogText("the pending items window could not be made");
        return;
    }
    specials_->Present();
}

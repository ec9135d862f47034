#include "ui/main/main_wnd.h"

#include <QWidget>

#include "api/api_controller.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "config/log.h"
#include "flow/async_work_flow.h"
#include "platform/message_loop.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/login/page_login.h"
#include "ui/main/main_style.h"
#include "ui/prompts/message_box.h"
#include "util/user_messages.h"

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
    login_.reset();
    if (IsWindow()) DestroyWindow();
    RemoveHook(this);
}

HWND CMainWnd::Create(int left, int top, int right, int bottom) {
    return VWindowImpl::Create(nullptr, UiRect(left, top, right, bottom), QStringLiteral("Lumeno"),
                               WS_POPUP);
}

LRESULT CMainWnd::BeforeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                bool& handled) {
    LRESULT result = 0;
    handled = CAsyncWorkFlow::WindowEntry(hwnd, message, wParam, lParam, result);
    return result;
}

bool CMainWnd::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case UM_DISPATCH_EVENTS:
            CApiController::Instance().Events().Drain();
            return true;
        case UM_SHOW_MAIN:
            if (signedIn_) {
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
        case WM_CLOSE:
            DestroyWindow();
            return true;
        case WM_DESTROY:
            CApiController::Instance().SetNotificationWindow(nullptr);
            login_.reset();
            platform::PostQuitMessage(0);
            return false;
        default:
            return false;
    }
}

void CMainWnd::OnCreate() {
    shadow_.Create(m_hWnd);
    // The remembered accounts are read before the login page shows them (a sign-in rewrites
    // the whole list).
    CApiController::Instance().Saved().LoadSaved();
    CApiController::Instance().SetNotificationWindow(m_hWnd);
    ShowLogin();
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
    login_->Present();
}

void CMainWnd::ShowSignedIn() {
    signedIn_ = true;
    ShowMain();
}

void CMainWnd::ShowMain() {
    ShowWindow(IsIconic() ? SW_RESTORE : SW_SHOWNORMAL);
    if (QWidget* widget = Widget()) {
        widget->raise();
        widget->activateWindow();
    }
    Invalidate(false);
}

void CMainWnd::ReturnToLogin(bool forced) {
    if (!signedIn_) return;
    ReportPresenceOff();
    SignOut();
    ShowLogin();
    if (!forced && login_) login_->Reset();
}

void CMainWnd::Quit() {
    // Posted: the caller (the login page) may be inside its own message handling.
    if (IsWindow()) PostMessage(WM_CLOSE);
}

bool CMainWnd::ShowApiError(HWND owner, const ErrorRecord& error) {
    if (error.error_code <= 0) return false;
    const QString text = QStringLiteral("%1 (错误码: %2)")
                             .arg(QString::fromStdString(error.error_msg))
                             .arg(error.error_code);
    ShowMessageBox(owner, text.toStdString(), kErrorCaption, MB_OK);
    if (error.error_code == kErrorTokenInvalid || error.error_code == kErrorTokenRevoked) {
        if (!login_ || !login_->IsWindow() || !login_->IsWindowVisible()) {
            PostMessage(UM_RETURN_TO_LOGIN, 0, 1);
        }
    }
    return true;
}

void CMainWnd::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    UiFill(root, ctx.client, ms::kBackground);
    DrawTitle(ctx, root);
}

void CMainWnd::DrawTitle(UiContext& ctx, UiRegion& root) {
    const int w = ctx.client.right;
    CKesBitmap& top = SkinImage("main_top_bg.png");
    UiImage(root, UiRect(0, 0, w, top.FrameHeight()), top);

    CKesBitmap& close = SkinImage("sys_btn_close.png");
    const int d = close.FrameWidth();
    const int e = close.FrameHeight();
    if (UiButton(root, UiRect(w - d, 0, w, e), QString(), QStringLiteral("关闭"), kUiTakesMouse,
                 &close)) {
        ctx.Later([this] { PostMessage(WM_CLOSE); });
    }
    if (UiButton(root, UiRect(w - 2 * d, 0, w - d, e), QString(), QStringLiteral("最小化"),
                 kUiTakesMouse, &SkinImage("sys_btn_min.png"))) {
        ctx.Later([this] { ShowWindow(SW_MINIMIZE); });
    }

    UiImage(root,
            UiRect::FromSize(ms::kAvatarLeft, ms::kAvatarTop, ms::kAvatarSize, ms::kAvatarSize),
            SkinImage("main_icon_default.png"));
    CKesBitmap& frame = SkinImage("main_icon_bg.png");
    UiImage(root,
            UiRect::FromSize(ms::kAvatarFrameLeft, ms::kAvatarFrameTop, frame.FrameWidth(),
                             frame.FrameHeight()),
            frame, 0, QStringLiteral("我的头像"));
    const LoginRecord& me = CDBLogin::Instance().Record();
    const std::string& name = me.realname.empty() ? me.username : me.realname;
    UiLabel(root,
            UiRect(ms::kNameLeft, ms::kNameTop, w - ms::kNameRightMargin,
                   ms::kNameTop + ms::kNameHeight),
            QString::fromStdString(name), &TextFont(ms::kNamePixels), ms::kName);
}

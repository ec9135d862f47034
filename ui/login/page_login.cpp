#include "ui/login/page_login.h"

#include <QWidget>

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include "api/api_controller.h"
#include "api/sign_in.h"
#include "config/config.h"
#include "storage/image_cache.h"
#include "toolkit/elements/ui_caption.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_fonts.h"
#include "toolkit/skin/skin_images.h"
#include "ui/login/login_style.h"
#include "ui/main/main_wnd.h"
#include "ui/prompts/dlg_install.h"
#include "ui/prompts/message_box.h"
#include "ui/ui_messages.h"

namespace ls = login_style;

namespace {

constexpr char kEnterAccountAndPassword[] = "请输入正确的账号/手机号，密码";
constexpr char kEnterAccount[] = "请输入正确的账号/手机号";
constexpr char kEnterPassword[] = "请输入密码";
constexpr char kSignInFailed[] = "登录失败，请输入正确的密码";

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// The avatar of a remembered account, cut to the round frame drawn over it.
class RoundPicture final : public IUiDrawable {
  public:
    explicit RoundPicture(const QImage& image) : image_(image) {}
    void Draw(QPainter& dc, const QRect& rect) override {
        QPainterPath circle;
        circle.addEllipse(QRectF(rect));
        dc.save();
        dc.setRenderHint(QPainter::Antialiasing);
        dc.setRenderHint(QPainter::SmoothPixmapTransform);
        dc.setClipPath(circle);
        dc.drawImage(QRectF(rect), image_);
        dc.restore();
    }

  private:
    const QImage& image_;
};

QImage ImageOf(const DibBitmap& picture) {
    if (picture.bitsPerPixel == 32) {
        return QImage(picture.bits.data(), picture.width, picture.height,
                      static_cast<qsizetype>(picture.stride), QImage::Format_ARGB32_Premultiplied)
            .copy();
    }
    return QImage(picture.bits.data(), picture.width, picture.height,
                  static_cast<qsizetype>(picture.stride), QImage::Format_BGR888)
        .copy();
}

}  // namespace

CPageLogIn::CPageLogIn() = default;

CPageLogIn::~CPageLogIn() {
    if (subscribed_) CApiController::Instance().Events().Unsubscribe(db_event::kSignIn, this);
    if (IsWindow()) DestroyWindow();
}

HWND CPageLogIn::Open() {
    CKesBitmap& background = SkinImage("login_bg.png");
    return Create(nullptr,
                  UiRect::FromSize(0, 0, background.FrameWidth(), background.FrameHeight()),
                  QStringLiteral("Lumeno2014"), WS_POPUP);
}

bool CPageLogIn::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return false;
        case UM_EDIT_CHANGED:
            LookUpAvatar();
            Invalidate(false);  // the avatar follows the typed account
            return true;
        case UM_EDIT_RETURN:
            if (static_cast<EditReturn>(lParam) == EditReturn::Tab) {
                // On round the page: the other box, the check boxes, the sign-in button.
                MoveFocus(true);
            } else {
                StartSignIn();
            }
            return true;
        case WM_KEYDOWN:
            // Enter on a check box signs in, as it does in the boxes; Space ticks it.
            if (wParam == VK_RETURN && FocusOnCheckBox()) {
                StartSignIn();
                return true;
            }
            return false;
        case WM_CLOSE:
            // Nobody is signed in while the page is up: closing it ends the program.
            CMainWnd::Instance().Quit();
            return true;
        default:
            return false;
    }
}

void CPageLogIn::OnCreate() {
    shadow_.Create(m_hWnd);
    CKesBitmap& background = SkinImage("login_bg.png");
    ResizeClient(background.FrameWidth(), background.FrameHeight());
    CenterWindow();

    account_ = new CEditEx(*this, EditKind::Restricted, QStringLiteral("账号/手机号"));
    account_->SetLengthLimits(kAccountMinimum, kAccountMaximum);
    // The box takes no more than an account can hold: further keys do nothing, and a longer
    // text pasted is cut to that length.
    account_->setMaxLength(kAccountMaximum);
    account_->SetCharacterFilter(true);
    password_ = new CEditEx(*this, EditKind::Password, QStringLiteral("密码"));
    for (CEditEx* box : {account_.data(), password_.data()}) {
        box->setFont(TextFont(ls::kBoxTextPixels));
        box->SetColours(ls::kBoxBackground, ls::kBoxText, ls::kBoxPlaceholder);
        box->setAccessibleName(box->placeholderText());
    }
    account_->Place(ls::kAccountBox);
    password_->Place(ls::kPasswordBox);
    // Tab goes round the boxes and the drawn controls alike.
    AddFocusWidget(account_);
    AddFocusWidget(password_);

    CApiController::Instance().Events().Subscribe(db_event::kSignIn, this);
    subscribed_ = true;
    // The secrets of the remembered accounts may first come from the desktop's secret store.
    LoadRememberedSecrets([this, alive = AliveToken()] {
        if (!*alive || !account_ || !password_) return;
        // Whatever was typed meanwhile stays.
        if (account_->ShowsPlaceholder() || account_->text().isEmpty()) FillFromRemembered();
        LookUpAvatar();
        Invalidate(false);
        // The automatic sign-in runs while the main window shows the page.
        if (automatic_) SignInRemembered();
    });
}

void CPageLogIn::LookUpAvatar() {
    if (!account_ || !password_) return;
    const std::string typed = account_->text().toStdString();
    for (const LoginRecord& record : CApiController::Instance().Saved().SavedList()) {
        if (typed.empty() || record.mobile != typed || record.avatar.empty()) continue;
        if (avatars_.count(record.avatar)) return;
        const PicturePtr picture =
            CImageCache::Instance().GetBitmap(&pictures_, record.avatar, kLargeAvatarKey);
        avatars_[record.avatar] = picture ? ImageOf(*picture) : QImage();
        return;
    }
}

std::string CPageLogIn::RememberedAccount() {
    const SavedAccounts& saved = CApiController::Instance().Saved();
    return saved.SavedList().empty() ? std::string() : saved.FirstSaved().mobile;
}

void CPageLogIn::FillFromRemembered() {
    const bool automatic = ReadConfig(config_keys::kAutoLogin) != 0;
    const SavedAccounts& saved = CApiController::Instance().Saved();
    if (RememberedAccount().empty()) return;
    const LoginRecord first = saved.FirstSaved();
    account_->SetText(FromUtf8(first.mobile));
    if (first.remember_password && !first.password.empty()) {
        password_->SetText(FromUtf8(first.password));
        remember_ = true;
        automatic_ = automatic;
    }
}

void CPageLogIn::Present() {
    if (!account_ || !password_) return;
    ShowWindow(SW_SHOWNORMAL);
    if (QWidget* widget = Widget()) {
        widget->raise();
        widget->activateWindow();
    }
    account_->setFocus(Qt::ActiveWindowFocusReason);
    account_->end(false);
}

void CPageLogIn::Reset() {
    if (!account_ || !password_) return;
    // The most recent account stays remembered: its name is offered (selected, so that another
    // account is typed over it); its password and the check boxes are not.
    account_->SetText(FromUtf8(RememberedAccount()));
    account_->selectAll();
    password_->SetText(QString());
    remember_ = false;
    automatic_ = false;
    LookUpAvatar();
    Invalidate(false);
}

bool CPageLogIn::FocusOnCheckBox() {
    if (FocusRect().IsEmpty()) return false;
    for (const UiNode& node : Describe()) {
        if (node.rect == FocusRect()) return node.role == UiRole::CheckBox;
    }
    return false;
}

void CPageLogIn::StartSignIn() {
    if (!account_ || !password_) return;
    if (busy_) return;
    const QString account = account_->text();
    const QString password = password_->text();
    const bool accountFits = account.size() >= kAccountMinimum && account.size() <= kAccountMaximum;
    // What is missing is named, and the keyboard goes where it is to be typed: nothing at all,
    // the account, or (with an account that fits) the password alone.
    if (account_->ShowsPlaceholder() || (!accountFits && password_->ShowsPlaceholder())) {
        Notice(kEnterAccountAndPassword);
        account_->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!accountFits) {
        Notice(kEnterAccount);
        account_->setFocus(Qt::OtherFocusReason);
        account_->end(false);
        return;
    }
    if (password.isEmpty()) {
        Notice(kEnterPassword);
        password_->setFocus(Qt::OtherFocusReason);
        return;
    }
    SignIn(account.toStdString(), password.toStdString(), remember_, automatic_);
}

void CPageLogIn::OnDBEvent(std::uint32_t kind, std::int32_t, std::int32_t second) {
    if (kind != db_event::kSignIn) return;
    switch (second) {
        case db_event::kStarted:
            busy_ = true;
            Invalidate(false);
            break;
        case db_event::kDone:
            busy_ = false;
            ShowWindow(SW_HIDE);
            CMainWnd::Instance().ShowSignedIn();
            break;
        case db_event::kFailed: {
            busy_ = false;
            Invalidate(false);
            // No box runs inside the delivery of an event: the reaction follows it.
            const std::shared_ptr<bool> alive = AliveToken();
            QTimer::singleShot(0, [this, alive] {
                if (*alive) OnSignInFailed();
            });
            break;
        }
        default:
            break;
    }
}

void CPageLogIn::OnSignInFailed() {
    const ErrorRecord* error = CApiController::Instance().LastErrorOf(db_event::kSignIn);
    if (!error) {
        Notice(kSignInFailed, CMainWnd::kErrorCaption);
    } else if (!CMainWnd::Instance().ShowApiError(m_hWnd, *error)) {
        // No usable answer came: the service could not be reached.
        Notice(CMainWnd::kUnreachableText, CMainWnd::kErrorCaption);
    }
    if (!IsWindow() || !password_) return;
    password_->setFocus(Qt::OtherFocusReason);
    password_->selectAll();
    Invalidate(false);
}

void CPageLogIn::Notice(const char* text, const char* caption) {
    ShowMessageBox(m_hWnd, text, caption, MB_OK);
}

void CPageLogIn::DrawAvatar(UiRegion& root) {
    CKesBitmap& fallback = SkinImage("login_icon_default.png");
    const UiRect rect = UiRect::FromSize(ls::kAvatarLeft, ls::kAvatarTop, fallback.FrameWidth(),
                                         fallback.FrameHeight());
    // The remembered account whose name is exactly the typed text.
    const std::string typed = account_ ? account_->text().toStdString() : std::string();
    std::string address;
    for (const LoginRecord& record : CApiController::Instance().Saved().SavedList()) {
        if (!typed.empty() && record.mobile == typed) {
            address = record.avatar;
            break;
        }
    }
    const QImage* picture = nullptr;
    if (!address.empty()) {
        auto found = avatars_.find(address);
        if (found != avatars_.end() && !found->second.isNull()) picture = &found->second;
    }
    if (picture) {
        RoundPicture round(*picture);
        UiDrawable(root, rect, round, 0);
    } else {
        UiImage(root, rect, fallback);
    }
    CKesBitmap& frame = SkinImage("login_icon_bg.png");
    UiImage(root,
            UiRect::FromSize(ls::kAvatarFrameLeft, ls::kAvatarFrameTop, frame.FrameWidth(),
                             frame.FrameHeight()),
            frame, 0, QStringLiteral("头像"));
}

void CPageLogIn::DoUI(UiContext& ctx) {
    UiRegion root(ctx);
    const int w = ctx.client.right;
    const int h = ctx.client.bottom;
    UiImage(root, ctx.client, SkinImage("login_bg.png"));
    if (UiCaption(root, UiRect(0, 0, w, ls::kCloseHeight), QString(), CaptionButtons::Close).hit ==
        CaptionHit::Close) {
        ctx.Later([this] { PostMessage(WM_CLOSE); });
    }
    DrawAvatar(root);

    CKesBitmap& field = SkinImage("login_eidt_bg.png");
    for (int top : {ls::kAccountFieldTop, ls::kPasswordFieldTop}) {
        UiImage(root,
                UiRect(ls::kFieldLeft, top, w - ls::kFieldRightMargin, top + ls::kFieldHeight),
                field);
    }

    if (UiCheckBox(root, ls::kRememberCheck, QStringLiteral("记住密码"), remember_, false,
                   ls::kCheckCaption, ls::kCheckCaptionOffset)) {
        remember_ = !remember_;
        if (!remember_) automatic_ = false;
        Invalidate(false);
    }
    if (UiCheckBox(root, ls::kAutomaticCheck, QStringLiteral("自动登录"), automatic_, false,
                   ls::kCheckCaption, ls::kCheckCaptionOffset)) {
        automatic_ = !automatic_;
        if (automatic_) remember_ = true;
        Invalidate(false);
    }

    CKesBitmap& button = SkinImage("login_btn.png");
    const UiRect buttonRect(ls::kButtonMargin, ls::kButtonTop, w - ls::kButtonMargin,
                            ls::kButtonTop + button.FrameHeight());
    const QString caption = busy_ ? QStringLiteral("登录中…") : QStringLiteral("登录");
    if (UiSkinButton(root, buttonRect, &button, caption, QString(), &TextFont(ls::kButtonPixels),
                     ls::kButtonCaption, -1,
                     kUiTakesMouse | kUiDefaultButton | (busy_ ? kUiDisabled : 0))) {
        ctx.Later([this] { StartSignIn(); });
    }

    if (UiLink(root, QStringLiteral("没有账号?"), &TextFont(ls::kLinkPixels), ls::kLink,
               w - ls::kLinkFromRight, h - ls::kLinkFromBottom)) {
        ctx.Later([this] {
            CDlgInstallLumeno dialog;
            dialog.DoModal(m_hWnd);
        });
    }
}

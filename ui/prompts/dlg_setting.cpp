#include "ui/prompts/dlg_setting.h"

#include <QSystemTrayIcon>

#include "api/api_controller.h"
#include "api/login.h"
#include "config/config.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/prompts/autostart.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/prompt_style.h"

namespace ps = prompt_style;

namespace {

// The remembered entry of the signed-in account (the most recent one when nobody is signed in)
// keeps a password: only then can the next start sign in by itself.
bool RememberedPasswordKept() {
    const SavedAccounts& saved = CApiController::Instance().Saved();
    const std::string& me = CDBLogin::Instance().Record().qxid;
    for (const LoginRecord& entry : saved.SavedList()) {
        if (me.empty() || entry.qxid == me) return !entry.password.empty();
    }
    return false;
}

UiRect ChoiceRect(int top, int width) {
    return UiRect::FromSize(ps::kChoiceLeft, top, width, ps::kChoiceHeight);
}

}  // namespace

bool TrayHostAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

CDlgSetting::CDlgSetting(bool trayAvailable) : trayAvailable_(trayAvailable) {
    startWithDesktop_ = autostart::IsOn();
    autoLoginAvailable_ = RememberedPasswordKept();
    autoLogin_ = autoLoginAvailable_ && ReadConfigFlag(config_keys::kAutoLogin);
    sound_ = ReadConfigFlag(config_keys::kSoundNotify);
    // Without a notification area closing can only quit; the stored choice is kept for a
    // desktop that has one.
    closeToTray_ = trayAvailable_ && ReadConfigFlag(config_keys::kExitToTray);
}

void CDlgSetting::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, ps::kBody, ps::kFooterHeight);

    int top = ps::kSettingChecksTop;
    if (UiCheckBox(root, ChoiceRect(top, ps::kSettingCheckWidth),
                   QStringLiteral("开机时自动启动Lumeno"), startWithDesktop_, false,
                   ps::kChoiceCaption, ps::kChoiceCaptionOffset)) {
        startWithDesktop_ = !startWithDesktop_;
        Invalidate(false);
    }
    top += ps::kChoiceStep;
    if (UiCheckBox(root, ChoiceRect(top, ps::kSettingCheckWidth),
                   QStringLiteral("启动Lumeno时为我自动登录"), autoLogin_, !autoLoginAvailable_,
                   ps::kChoiceCaption, ps::kChoiceCaptionOffset)) {
        autoLogin_ = !autoLogin_;
        Invalidate(false);
    }
    top += ps::kChoiceStep;
    if (UiCheckBox(root, ChoiceRect(top, ps::kSettingCheckWidth), QStringLiteral("播放提示音"),
                   sound_, false, ps::kChoiceCaption, ps::kChoiceCaptionOffset)) {
        sound_ = !sound_;
        Invalidate(false);
    }

    UiText(root, &TextFont(ps::kSectionPixels), QStringLiteral("关闭主面板时："), ps::kSectionLabel,
           ps::kChoiceLeft, ps::kSettingSectionTop);
    const QFont& radioFont = TextFont(ps::kRadioPixels);
    top = ps::kSettingRadiosTop;
    if (UiRadio(root, ChoiceRect(top, ps::kSettingTrayRadioWidth),
                QStringLiteral("隐藏到任务栏通知区域，不退出程序"), &radioFont, closeToTray_,
                !trayAvailable_, ps::kChoiceCaption, ps::kChoiceCaptionOffset)) {
        closeToTray_ = true;
        Invalidate(false);
    }
    if (!trayAvailable_) {
        UiText(root, &TextFont(ps::kNotePixels), QStringLiteral("（当前桌面没有通知区域）"),
               ps::kChoiceNote, ps::kChoiceLeft + ps::kChoiceCaptionOffset,
               top + ps::kChoiceHeight + 1);
    }
    top += ps::kChoiceStep;
    if (UiRadio(root, ChoiceRect(top, ps::kSettingQuitRadioWidth), QStringLiteral("退出程序"),
                &radioFont, !closeToTray_, false, ps::kChoiceCaption, ps::kChoiceCaptionOffset)) {
        closeToTray_ = false;
        Invalidate(false);
    }

    const int buttonTop = height - ps::kButtonBottomMargin - prompt_frame::ButtonHeight();
    const int cancelLeft = ps::kSettingCancelLeft;
    if (prompt_frame::WhiteButton(root, cancelLeft, buttonTop, QStringLiteral("取消"))) {
        ctx.Later([this] { EndDialog(IDCANCEL); });
    }
    if (prompt_frame::BlueButton(root, cancelLeft + prompt_frame::ButtonWidth() + ps::kButtonGap,
                                 buttonTop, QStringLiteral("确定"))) {
        ctx.Later([this] { Apply(); });
    }
}

void CDlgSetting::Apply() {
    std::string problems;
    if (startWithDesktop_ != autostart::IsOn()) {
        std::string error;
        if (!autostart::Set(startWithDesktop_, autostart::ProgramPath(), error)) {
            problems += "开机启动未能更改：" + error + "\n";
        }
    }
    bool stored = WriteConfigFlag(config_keys::kAutoLogin, autoLogin_);
    stored &= WriteConfigFlag(config_keys::kSoundNotify, sound_);
    if (trayAvailable_) stored &= WriteConfigFlag(config_keys::kExitToTray, closeToTray_);
    if (!stored) problems += "设置未能保存到 " + ConfigFilePath() + "，请检查磁盘空间和权限。";
    const HWND self = m_hWnd;
    if (!problems.empty()) ShowMessageBox(self, problems, "出错啦~~", MB_OK);
    EndDialog(IDOK);
}

#include "ui/prompts/dlg_setting.h"

#include "api/api_controller.h"
#include "api/login.h"
#include "config/config.h"
#include "toolkit/elements/element_style.h"
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

}  // namespace

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

    // A click toggles a check box.
    const QFont& checkFont = TextFont(element_style::kCheckCaptionPixels);
    int top = ps::kSettingChecksTop;
    auto check = [&](const QString& caption, bool& flag, bool disabled) {
        if (UiCheckBox(root, prompt_frame::ChoiceRect(ps::kChoiceLeft, top, caption, checkFont),
                       caption, flag, disabled, ps::kChoiceCaption, ps::kChoiceCaptionOffset)) {
            flag = !flag;
            Invalidate(false);
        }
        top += ps::kChoiceStep;
    };
    check(QStringLiteral("开机时自动启动Lumeno"), startWithDesktop_, false);
    check(QStringLiteral("启动Lumeno时为我自动登录"), autoLogin_, !autoLoginAvailable_);
    check(QStringLiteral("播放提示音"), sound_, false);

    const int after = UiText(root, &TextFont(ps::kSectionPixels), QStringLiteral("关闭主面板时："),
                             ps::kSectionLabel, ps::kChoiceLeft, ps::kSettingSectionTop);
    if (!trayAvailable_) {
        UiText(root, &TextFont(ps::kSectionPixels), QStringLiteral("（当前桌面没有通知区域）"),
               ps::kChoiceNote, after + ps::kSettingNoteGap, ps::kSettingSectionTop);
    }
    if (prompt_frame::CloseChoiceRadios(root, ps::kSettingRadiosTop,
                                        QStringLiteral("隐藏到任务栏通知区域，不退出程序"),
                                        QStringLiteral("退出程序"), trayAvailable_, closeToTray_)) {
        Invalidate(false);
    }

    const int buttonTop = height - ps::kButtonBottomMargin - prompt_frame::ButtonHeight();
    if (prompt_frame::WhiteButton(root, ps::kSettingCancelLeft, buttonTop,
                                  QStringLiteral("取消"))) {
        ctx.Later([this] { EndDialog(IDCANCEL); });
    }
    if (prompt_frame::BlueButton(
            root, ps::kSettingCancelLeft + prompt_frame::ButtonWidth() + ps::kButtonGap, buttonTop,
            QStringLiteral("确定"))) {
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

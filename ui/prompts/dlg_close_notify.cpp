#include "ui/prompts/dlg_close_notify.h"

#include "config/config.h"
#include "toolkit/elements/element_style.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/prompt_style.h"

namespace ps = prompt_style;

CDlgCloseNotify::CDlgCloseNotify(bool trayAvailable) : trayAvailable_(trayAvailable) {
    showPrompt_ = ReadConfigFlag(config_keys::kShowExitNotify);
    closeToTray_ = trayAvailable_ && ReadConfigFlag(config_keys::kExitToTray);
}

void CDlgCloseNotify::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, ps::kBody, ps::kFooterHeight);

    UiText(root, &TextFont(ps::kSectionPixels), QStringLiteral("关闭主面板时："), ps::kSectionLabel,
           ps::kChoiceLeft, ps::kCloseSectionTop);
    if (prompt_frame::CloseChoiceRadios(root, ps::kCloseRadiosTop, QStringLiteral("最小化到托盘"),
                                        QStringLiteral("直接退出"), trayAvailable_, closeToTray_)) {
        Invalidate(false);
    }
    const QString never = QStringLiteral("下次不再提示");
    if (UiCheckBox(root,
                   prompt_frame::ChoiceRect(ps::kChoiceLeft, ps::kCloseCheckTop, never,
                                            TextFont(element_style::kCheckCaptionPixels)),
                   never, !showPrompt_, false, ps::kChoiceCaption, ps::kChoiceCaptionOffset)) {
        showPrompt_ = !showPrompt_;
        Invalidate(false);
    }

    const int buttonWidth = prompt_frame::ButtonWidth();
    const int buttonTop = height - ps::kButtonBottomMargin - prompt_frame::ButtonHeight();
    const int okLeft = width - ps::kChoiceLeft - buttonWidth;
    if (prompt_frame::WhiteButton(root, okLeft - ps::kButtonGap - buttonWidth, buttonTop,
                                  QStringLiteral("取消"))) {
        ctx.Later([this] { EndDialog(IDCANCEL); });
    }
    if (prompt_frame::BlueButton(root, okLeft, buttonTop, QStringLiteral("确定"))) {
        ctx.Later([this] { Apply(); });
    }
}

void CDlgCloseNotify::Apply() {
    bool stored = WriteConfigFlag(config_keys::kShowExitNotify, showPrompt_);
    if (trayAvailable_) stored &= WriteConfigFlag(config_keys::kExitToTray, closeToTray_);
    if (!stored) {
        // The choice still counts for this close; it is only not remembered.
        ShowMessageBox(m_hWnd, "关闭方式未能保存到 " + ConfigFilePath() + "，下次将再次询问。",
                       "出错啦~~", MB_OK);
    }
    EndDialog(IDOK);
}

CloseChoice AskHowToClose(HWND owner, bool trayAvailable) {
    CDlgCloseNotify prompt(trayAvailable);
    if (prompt.ShowsPrompt()) {
        if (prompt.DoModal(owner) != IDOK) return CloseChoice::Cancel;
        return prompt.ClosesToTray() ? CloseChoice::HideToTray : CloseChoice::Quit;
    }
    if (!trayAvailable) return CloseChoice::Quit;
    return ReadConfigFlag(config_keys::kExitToTray) ? CloseChoice::HideToTray : CloseChoice::Quit;
}

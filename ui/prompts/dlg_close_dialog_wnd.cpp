#include "ui/prompts/dlg_close_dialog_wnd.h"

#include "config/config.h"
#include "toolkit/elements/element_style.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/prompts/message_box.h"
#include "ui/prompts/prompt_style.h"

namespace ps = prompt_style;

CDlgCloseDialogWnd::CDlgCloseDialogWnd() {
    showPrompt_ = ReadConfigFlag(config_keys::kShowCloseDialogNotify);
    closeAll_ = ReadConfigFlag(config_keys::kCloseAllDialogs);
}

void CDlgCloseDialogWnd::DrawDialog(UiContext& ctx, UiRegion& root) {
    const int width = ctx.client.right;
    const int height = ctx.client.bottom;
    prompt_frame::DrawBody(root, ctx.client, ps::kBody, ps::kFooterHeight);
    UiText(root, &TextFont(ps::kQuestionPixels),
           QStringLiteral("关闭此窗口所有会话还是仅关闭当前会话"), ps::kQuestion, ps::kChoiceLeft,
           ps::kQuestionTop);
    const QString always = QStringLiteral("总是关闭所有会话");
    if (UiCheckBox(root,
                   prompt_frame::ChoiceRect(ps::kChoiceLeft, ps::kCloseAllCheckTop, always,
                                            TextFont(element_style::kCheckCaptionPixels)),
                   always, !showPrompt_, false, ps::kChoiceCaption, ps::kChoiceCaptionOffset)) {
        showPrompt_ = !showPrompt_;
        Invalidate(false);
    }

    const int buttonWidth = prompt_frame::ButtonWidth();
    const int buttonTop = height - ps::kButtonBottomMargin - prompt_frame::ButtonHeight();
    const int allLeft = width - ps::kChoiceLeft - buttonWidth;
    if (prompt_frame::WhiteButton(root, allLeft - ps::kButtonGap - buttonWidth, buttonTop,
                                  QStringLiteral("关闭当前"))) {
        ctx.Later([this] { Apply(false); });
    }
    if (prompt_frame::BlueButton(root, allLeft, buttonTop, QStringLiteral("关闭所有"))) {
        ctx.Later([this] { Apply(true); });
    }
}

void CDlgCloseDialogWnd::Apply(bool closeAll) {
    // Asking no more means always closing all, whichever button was pressed.
    closeAll_ = showPrompt_ ? closeAll : true;
    bool stored = WriteConfigFlag(config_keys::kShowCloseDialogNotify, showPrompt_);
    stored &= WriteConfigFlag(config_keys::kCloseAllDialogs, closeAll_);
    if (!stored) {
        ShowMessageBox(m_hWnd, "选择未能保存到 " + ConfigFilePath() + "，下次将再次询问。",
                       "出错啦~~", MB_OK);
    }
    EndDialog(IDOK);
}

bool AskCloseAllConversations(HWND owner, bool& cancelled) {
    cancelled = false;
    CDlgCloseDialogWnd prompt;
    if (!prompt.ShowsPrompt()) return true;
    if (prompt.DoModal(owner) != IDOK) {
        cancelled = true;
        return false;
    }
    return prompt.ClosesAll();
}

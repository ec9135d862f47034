#include "ui/prompts/update_prompt.h"

#include "ui/prompts/message_box.h"

bool AskToInstallUpdate(HWND owner, bool forced) {
    CDlgMesssageBox box(QString::fromUtf8(forced ? kForcedUpdateText : kOptionalUpdateText));
    box.SetButtonCaptions(forced ? QString() : QString::fromUtf8(kRemindLaterCaption),
                          QString::fromUtf8(kInstallNowCaption));
    return box.DoModal(owner) == CDlgMesssageBox::kSecondButton;
}

void TellInstallerFailed(HWND owner) {
    CDlgMesssageBox box(QString::fromUtf8(kInstallerFailedText));
    box.SetButtonCaptions(QString(), QStringLiteral("确定"));
    box.DoModal(owner);
}

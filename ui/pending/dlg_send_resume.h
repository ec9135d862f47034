#pragma once
// "是否向该职位投递简历？": asked before the résumé goes to a job. "预览简历" opens the résumé's
// page in the desktop's browser (only a web address; the dialog stays), "直接投递" confirms.

#include <QString>
#include <string>

#include "ui/prompts/prompt_dialog.h"

class CDlgSendResume final : public CPromptDialog<CDlgSendResume> {
  public:
    static constexpr int kInitialWidth = 360;
    static constexpr int kInitialHeight = 190;
    static constexpr int kConfirmed = 1;
    static constexpr int kClosed = 2;
    static std::string_view WindowClassName() { return "QXDialogSendResumeClass"; }

    explicit CDlgSendResume(std::string resumeAddress);
    const std::string& ResumeAddress() const { return address_; }

  private:
    QString Caption() const override { return QStringLiteral("Lumeno- 提醒"); }
    QString Name() const override { return QStringLiteral("Lumeno"); }
    QString FirstFocus() const override { return QStringLiteral("直接投递"); }
    void DrawDialog(UiContext& ctx, UiRegion& root) override;

    std::string address_;
};

#pragma once
// The new-account dialog of the login page: accounts are made in the mobile app, so it points to
// the app's page (a link button and a code to scan) and to the product's web site.

#include "ui/prompts/prompt_dialog.h"

class CDlgInstallLumeno final : public CPromptDialog<CDlgInstallLumeno> {
  public:
    static constexpr int kInitialWidth = 390;
    static constexpr int kInitialHeight = 270;
    static std::string_view WindowClassName() { return "QXDialogInstallClass"; }

  private:
    QString Name() const override { return QStringLiteral("新账号注册"); }
    void DrawDialog(UiContext& ctx, UiRegion& root) override;
    // Opens the address in the browser and ends with 1; a failure is told and the dialog stays.
    void OpenAndEnd(const char* address);
};

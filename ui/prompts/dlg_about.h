#pragma once
// The about dialog (main menu "关于"): the program's version with a link that checks for a newer
// one, and the product's web site.

#include <cstdint>
#include <functional>

#include "api/update_check.h"
#include "flow/async_work_flow.h"
#include "ui/prompts/prompt_dialog.h"

// The connection to the update checker, which installs it at start-up. `start` runs a check as a
// work flow held in `handle`, telling `report` on the UI thread how it goes, with its prompt over
// `owner`; false when no check could start. `newerKnown` says whether an earlier check already
// found a newer version.
struct UpdateCheckHooks {
    std::function<bool(FlowHandle* handle, HWND owner, UpdateReport report)> start;
    std::function<bool()> newerKnown;
};
void SetUpdateCheckHooks(UpdateCheckHooks hooks);

class CDlgAbout final : public CPromptDialog<CDlgAbout> {
  public:
    static constexpr int kInitialWidth = 360;
    static constexpr int kInitialHeight = 190;
    static std::string_view WindowClassName() { return "QXDialogAboutClass"; }

    CDlgAbout();
    ~CDlgAbout() override;

    const QString& LinkText() const { return linkText_; }
    bool Checking() const { return check_.Busy(); }

  private:
    QString Name() const override { return QStringLiteral("关于"); }
    void DrawDialog(UiContext& ctx, UiRegion& root) override;
    void OnWindowDestroyed() override;
    void StartCheck();
    void OnStatus(UpdateStatus status);
    void OnProgress(std::uint64_t received, std::uint64_t total);

    QString versionText_;
    QString linkText_;
    FlowHandle check_;
};

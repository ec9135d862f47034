#pragma once
// The about dialog (main menu "关于"): the program's version with a link that checks for a newer
// one, and the product's web site.

#include <functional>

#include "flow/async_work_flow.h"
#include "ui/prompts/prompt_dialog.h"

// What an update check reports while it runs.
enum class UpdateStatus { Checking = 0, Downloading = 1, UpToDate = 2, NewVersion = 3, Failed = 4 };

// The connection to the update checker, which installs it at start-up. `start` runs a check as a
// work flow held in `handle`, calling `status` on the UI thread as it goes; false when no check
// could start. `newerKnown` says whether an earlier check already found a newer version.
struct UpdateCheckHooks {
    std::function<bool(FlowHandle* handle, std::function<void(UpdateStatus)> status)> start;
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

    QString versionText_;
    QString linkText_;
    FlowHandle check_;
};

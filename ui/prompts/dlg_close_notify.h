#pragma once
// What closing the main panel does: hide in the notification area or quit. The prompt asks once
// and may be told not to ask again; the choice is kept in the settings. Both settings are read
// when the object is made, so the main window can ask whether to show it at all.

#include "ui/prompts/prompt_dialog.h"

class CDlgCloseNotify final : public CPromptDialog<CDlgCloseNotify> {
  public:
    static constexpr int kInitialWidth = 400;
    static constexpr int kInitialHeight = 300;
    static std::string_view WindowClassName() { return "QXDialogCloseNotifyClass"; }

    // `trayAvailable`: hiding in the notification area can be chosen (there is a tray host).
    explicit CDlgCloseNotify(bool trayAvailable);

    // The prompt is to be shown (the user did not say "下次不再提示").
    bool ShowsPrompt() const { return showPrompt_; }
    bool ClosesToTray() const { return closeToTray_; }

  private:
    QString Name() const override { return QStringLiteral("操作提醒"); }
    void DrawDialog(UiContext& ctx, UiRegion& root) override;
    void Apply();

    bool trayAvailable_;
    bool showPrompt_ = true;
    bool closeToTray_ = true;
};

// The main window's close: asks with the prompt when the settings say so, else follows the
// stored choice. Without a tray host closing always quits.
enum class CloseChoice { Cancel, HideToTray, Quit };
CloseChoice AskHowToClose(HWND owner, bool trayAvailable);

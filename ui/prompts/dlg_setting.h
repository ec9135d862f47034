#pragma once
// The settings dialog (main menu "设置"): start with the desktop, sign in automatically, play
// sounds, and what closing the main panel does. It reads the settings when constructed and writes
// them when closed with "确定".

#include "ui/common/tray_host.h"
#include "ui/prompts/prompt_dialog.h"

// Whether the desktop has a notification area to hide the program in.

class CDlgSetting final : public CPromptDialog<CDlgSetting> {
  public:
    static constexpr int kInitialWidth = 390;
    static constexpr int kInitialHeight = 380;
    static std::string_view WindowClassName() { return "QXDialogSettingClass"; }

    // `trayAvailable`: closing to the notification area can be chosen (there is a tray host).
    explicit CDlgSetting(bool trayAvailable = TrayHostAvailable());

    bool StartsWithDesktop() const { return startWithDesktop_; }
    bool AutoLoginAvailable() const { return autoLoginAvailable_; }
    bool SignsInAutomatically() const { return autoLogin_; }
    bool PlaysSounds() const { return sound_; }
    bool ClosesToTray() const { return closeToTray_; }

  private:
    QString Name() const override { return QStringLiteral("设置"); }
    void DrawDialog(UiContext& ctx, UiRegion& root) override;
    // Writes every setting; tells the user what could not be stored. Ends with 1 either way.
    void Apply();

    bool trayAvailable_;
    bool startWithDesktop_ = false;
    bool autoLoginAvailable_ = false;
    bool autoLogin_ = false;
    bool sound_ = true;
    bool closeToTray_ = true;
};

#pragma once
// The main window's icon in the desktop's notification area: its tip, the unread mark, a click
// that shows the main window (UM_SHOW_MAIN) and the menu of the right button. A desktop without a
// tray host (stock GNOME) has none; the main window then keeps a task-bar entry instead.

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

#include "platform/win_types.h"

class CTrayIcon {
  public:
    static constexpr char kTip[] = "Lumeno - IM";

    // `menu` runs the right button's menu at the given screen point.
    CTrayIcon(HWND window, std::function<void(int x, int y)> menu);
    ~CTrayIcon();

    // Adds the icon when there is a host; false when there is none.
    bool Add();
    void Remove();
    bool Shown() const { return shown_; }
    // The tip and the mark follow the number of unread messages.
    void SetUnread(int count);
    QString Tip() const;

    // What the desktop does on a click; tests call it as the desktop would.
    void Activated(QSystemTrayIcon::ActivationReason reason);

  private:
    HWND window_;
    std::function<void(int, int)> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    int unread_ = 0;
    bool shown_ = false;
};

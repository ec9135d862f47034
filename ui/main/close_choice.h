#pragma once
// What closing the main window does: asks when Config.ini says so, else follows its choice
// between the tray and quitting. Without a tray host closing always quits.

#include "platform/win_types.h"

enum class CloseChoice { Cancel, ToTray, Exit };

CloseChoice AskHowToClose(HWND owner, bool trayAvailable);

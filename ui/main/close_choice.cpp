#include "ui/main/close_choice.h"

#include "config/config.h"

CloseChoice AskHowToClose(HWND owner, bool trayAvailable) {
    (void)owner;
    if (!trayAvailable) return CloseChoice::Exit;
    return ReadConfig(config_keys::kExitToTray) != 0 ? CloseChoice::ToTray : CloseChoice::Exit;
}

#pragma once
// Whether the desktop has a notification area (tray host) for the client's icon. Stock GNOME has
// none; the main window then keeps a task-bar entry, and closing to the tray is not offered.

#include <optional>

bool TrayHostAvailable();
// Tests decide it instead of the desktop (nullopt gives it back).
void OverrideTrayHostForTests(std::optional<bool> available);

#include "ui/common/tray_host.h"

#include <QSystemTrayIcon>

namespace {
std::optional<bool> g_override;
}

bool TrayHostAvailable() {
    if (g_override) return *g_override;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void OverrideTrayHostForTests(std::optional<bool> available) {
    g_override = available;
}

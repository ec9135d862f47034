#include "ui/common/popup_menu.h"

#include <QAction>
#include <QMenu>

#include "platform/window.h"
#include "toolkit/skin/skin_colors.h"

namespace {

bool g_open = false;

QString MenuStyle() {
    const auto rgb = [](const QColor& c) { return c.name(QColor::HexRgb); };
    return QStringLiteral(
               "QMenu { background: %1; border: 1px solid %2; padding: 4px 0; }"
               "QMenu::item { color: %3; padding: 6px 28px 6px 20px; }"
               "QMenu::item:selected { background: %4; color: %5; }"
               "QMenu::item:disabled { color: %6; }"
               "QMenu::separator { height: 1px; background: %7; margin: 4px 8px; }")
        .arg(rgb(palette::kSurface), rgb(palette::kBorder), rgb(palette::kText),
             rgb(palette::kBrandTint), rgb(palette::kTextStrong), rgb(palette::kTextSecondary),
             rgb(palette::kDivider));
}

}  // namespace

bool PopupOpen() {
    return g_open;
}

int TrackPopup(HWND owner, const std::vector<PopupItem>& items, int screenX, int screenY) {
    if (g_open || items.empty()) return 0;
    g_open = true;
    struct Reset {
        ~Reset() { g_open = false; }
    } reset;

    QWidget* parent = nullptr;
    if (platform::Window* window = platform::WindowFromHandle(owner)) {
        parent = window->NativeWidget();
    }
    QMenu menu(parent);
    menu.setObjectName(QStringLiteral("LumenoPopupMenu"));
    menu.setStyleSheet(MenuStyle());
    for (const PopupItem& item : items) {
        if (item.id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.text);
        action->setData(item.id);
        action->setEnabled(item.enabled);
    }
    QAction* chosen = menu.exec(QPoint(screenX, screenY));
    return chosen ? chosen->data().toInt() : 0;
}

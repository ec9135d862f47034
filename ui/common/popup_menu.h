#pragma once
// The client's popup menus (main menu, tray menu, the lists' context menus): a modal menu at a
// screen point that returns the chosen command. One menu at a time: a request while a menu is
// open returns 0 at once. The owner may be gone when the call returns; callers that touch their
// window afterwards check it first.

#include <QString>
#include <vector>

#include "platform/win_types.h"

struct PopupItem {
    int id = 0;  // 0 is a separator
    QString text;
    bool enabled = true;
};

// The chosen item's id, or 0 when the menu was dismissed or another one is open.
int TrackPopup(HWND owner, const std::vector<PopupItem>& items, int screenX, int screenY);
// A popup menu is open now.
bool PopupOpen();

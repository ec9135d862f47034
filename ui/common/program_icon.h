#pragma once
// The program's icon from the skin, at every size the desktop may ask for, and the same icon
// with the unread mark for the tray.

#include <QIcon>

QIcon ProgramIcon();
// The icon with a red dot in its corner when `unread` is above 0.
QIcon ProgramIconWithUnread(int unread);

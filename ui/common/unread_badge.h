#pragma once
// The skin's unread badge: a round picture for 1 to 9 unread messages, a wide one for 10 to 99 and
// for more, where it says "99+"; the number in the middle of the picture.

#include <QString>

#include "toolkit/elements/ui_context.h"

class CKesBitmap;

inline constexpr int kBadgeWideFrom = 10;
inline constexpr int kBadgeManyFrom = 100;

CKesBitmap& UnreadBadgePicture(int badge);
QString UnreadBadgeText(int badge);
// Draws the badge with its top-left corner at (left, top); the rectangle it took.
UiRect DrawUnreadBadge(UiRegion& root, int left, int top, int badge);

#pragma once
// The main window's metrics and the skin colours and faces of its title area, tabs and badge.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace main_style {

inline constexpr int kAvatarLeft = 18;
inline constexpr int kAvatarTop = 34;
inline constexpr int kAvatarSize = 60;
inline constexpr int kAvatarFrameLeft = 8;
inline constexpr int kAvatarFrameTop = 24;
inline constexpr int kNameLeft = 105;
inline constexpr int kNameTop = 30;
inline constexpr int kNameRightMargin = 20;
inline constexpr int kNameHeight = 22;
inline constexpr int kNamePixels = 15;

// The search field on the title area.
inline constexpr int kSearchFieldLeft = 105;
inline constexpr int kSearchFieldTop = 60;
inline constexpr int kSearchFieldRightMargin = 15;
inline constexpr int kSearchFieldCutLeft = 60;
inline constexpr int kSearchFieldCutRight = 70;
inline constexpr int kSearchBoxLeft = 140;
inline constexpr int kSearchBoxTop = 69;
inline constexpr int kSearchBoxRightMargin = 35;
inline constexpr int kSearchBoxHeight = 17;
inline constexpr int kSearchPixels = 12;
inline constexpr int kClearRightMargin = 18;
inline constexpr char kSearchPlaceholder[] = "搜索姓名/公司";
inline const QColor& kSearchBackground = palette::kBrandInset;
inline const QColor kSearchText{255, 255, 255};
inline const QColor kSearchPlaceholderColour{35, 148, 224};

// Tabs and the unread badge.
inline const QColor kTabStrip{200, 200, 200};
inline constexpr int kBadgeTopOffset = 2;
inline constexpr int kBadgeLeftOffset = 2;
inline constexpr int kBadgePixels = 12;
inline const QColor kBadgeText{255, 255, 255};

// The page area's inset from the window's sides and bottom.
inline constexpr int kPageInset = 2;
inline constexpr int kPageBottom = 3;

// Resize borders: 1 pixel on the left (the list's edge), 4 elsewhere.
inline constexpr int kBorder = 4;
inline constexpr int kLeftBorder = 1;

inline const QColor& kBackground = palette::kPage;
inline const QColor& kName = palette::kTextOnBrand;

}  // namespace main_style

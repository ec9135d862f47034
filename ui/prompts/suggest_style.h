#pragma once
// The metrics and colours of the mention picker's rows.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace suggest_style {

inline constexpr int kRowHeight = 20;
// Wide enough for an avatar and a name of six Chinese characters.
inline constexpr int kWidth = 160;
inline constexpr int kMostRowsShown = 5;
// Below the caret, so the popup does not cover the line being typed.
inline constexpr int kBelowPoint = 20;

inline constexpr int kAvatarLeft = 2;
inline constexpr int kAvatarSize = 16;
inline constexpr int kNameGap = 5;
inline constexpr int kNameRightPadding = 6;
inline constexpr int kNamePixels = 12;

// Pale blue rows that stand apart from the white input box beneath; the selected or hovered row
// in a deeper tint of the brand blue.
inline const QColor kOddRow{228, 239, 248};
inline const QColor kEvenRow{240, 247, 252};
inline const QColor kChosenRow{204, 226, 248};
inline const QColor& kName = palette::kTextStrong;

}  // namespace suggest_style

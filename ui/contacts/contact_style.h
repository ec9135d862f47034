#pragma once
// The contact list's metrics (offsets inside a row, from its left and top edges), faces and
// colours.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace contact_style {

inline constexpr int kHeaderHeight = 40;
inline constexpr int kItemHeight = 56;

// Headers.
inline constexpr int kArrowLeft = 14;
inline constexpr int kArrowTop = 13;
enum class ArrowFrame : int { Expanded = 0, Collapsed = 1 };
inline constexpr int kGroupTitleLeft = 30;
inline constexpr int kGroupCountLeft = 65;
inline constexpr int kHeaderTextTop = 9;
inline constexpr int kLetterLeft = 14;
inline constexpr int kLetterTop = 10;
inline constexpr int kHeaderPixels = 14;

// Items.
inline constexpr int kAvatarLeft = 15;
inline constexpr int kAvatarTop = 5;
inline constexpr int kAvatarSize = 42;
inline constexpr int kNameLeft = 70;
inline constexpr int kNameTop = 7;
inline constexpr int kNamePixels = 13;
inline constexpr int kMarkGap = 2;
inline constexpr int kMarkTop = 11;
inline constexpr int kCareerTop = 32;
inline constexpr int kCareerRightMargin = 20;
inline constexpr int kCareerPixels = 12;
inline constexpr int kGroupNameTop = 15;
inline constexpr int kGroupNameWidth = 200;
// The name leaves room for the mark and the right margin.
inline constexpr int kNameRightMargin = 40;

// The note of a search that found nothing.
inline constexpr int kEmptyMargin = 20;
inline constexpr int kEmptyTop = 40;
inline constexpr int kEmptyHeight = 24;
inline constexpr int kEmptyPixels = 13;

inline const QColor& kPage = palette::kSurface;
inline const QColor& kHeaderBackground = palette::kRow;
inline const QColor& kHeaderLine = palette::kDivider;
inline const QColor kHeaderText{96, 96, 96};
inline const QColor kGroupCount{138, 138, 138};
inline const QColor& kItemBackground = palette::kSurface;
inline const QColor& kItemHover = palette::kRowHover;
inline const QColor& kName = palette::kText;
inline const QColor& kCareer = palette::kTextSecondary;

}  // namespace contact_style

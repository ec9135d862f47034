#pragma once
// The main window's metrics and the skin colours and faces of its title area.

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

inline const QColor& kBackground = palette::kPage;
inline const QColor& kName = palette::kTextOnBrand;

}  // namespace main_style

#pragma once
// The login page's metrics (client coordinates of its 430 × 440 background) and the skin
// colours and faces its drawn parts use.

#include <QColor>

#include "toolkit/elements/ui_rect.h"
#include "toolkit/skin/skin_colors.h"

namespace login_style {

inline constexpr UiRect kAccountBox{164, 210, 376, 230};
inline constexpr UiRect kPasswordBox{164, 260, 376, 280};
inline constexpr int kFieldLeft = 150;
inline constexpr int kFieldRightMargin = 40;
inline constexpr int kFieldHeight = 40;
inline constexpr int kAccountFieldTop = 200;
inline constexpr int kPasswordFieldTop = 250;
inline constexpr int kAvatarLeft = 42;
inline constexpr int kAvatarTop = 202;
inline constexpr int kAvatarFrameLeft = 30;
inline constexpr int kAvatarFrameTop = 190;
// Taller than their box and caption, so that the keyboard's ring around them clears the text.
inline constexpr UiRect kRememberCheck{150, 299, 250, 324};
inline constexpr UiRect kAutomaticCheck{280, 299, 380, 324};
inline constexpr int kCheckCaptionOffset = 18;
inline constexpr int kButtonMargin = 35;
inline constexpr int kButtonTop = 340;
inline constexpr int kLinkFromRight = 100;
inline constexpr int kLinkFromBottom = 30;
inline constexpr int kCloseHeight = 24;

inline constexpr int kBoxTextPixels = 14;
inline constexpr int kCheckPixels = 15;
inline constexpr int kButtonPixels = 18;
inline constexpr int kLinkPixels = 14;

inline const QColor& kBoxBackground = palette::kSurface;
inline const QColor& kBoxText = palette::kTextStrong;
inline const QColor& kBoxPlaceholder = palette::kTextSecondary;
inline const QColor& kCheckCaption = palette::kTextSecondary;
inline const QColor& kLink = palette::kTextSecondary;
inline const QColor& kButtonCaption = palette::kTextOnBrand;

}  // namespace login_style

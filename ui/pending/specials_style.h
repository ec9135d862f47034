#pragma once
// The pending-items window's metrics (offsets inside a row, from its left and top edges), faces
// and colours, and those of its two small dialogs.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace specials_style {

// The window.
inline constexpr int kWidth = 660;
inline constexpr int kHeight = 610;
inline constexpr int kListTop = 40;
inline constexpr int kTitleLeft = 18;
inline constexpr int kTitleTop = 8;
inline constexpr int kTitlePixels = 15;
inline const QColor& kTitle = palette::kTextOnBrand;
inline constexpr int kBodyTop = 35;
inline const QColor& kBody = palette::kDialogBody;
inline constexpr int kEmptyPixels = 15;
inline const QColor kEmptyText{102, 102, 102};

// Rows.
inline constexpr int kHeaderHeight = 30;
inline constexpr int kItemHeight = 115;
inline constexpr int kHeaderLeft = 18;
inline constexpr int kHeaderPixels = 12;
inline const QColor kHeaderText{167, 167, 167};

// The card of an item.
inline constexpr int kCardLeft = 18;
inline constexpr int kCardTop = 5;
inline constexpr int kCardRight = 638;
inline constexpr int kCardBottom = 110;
inline const QColor& kCardOutline = palette::kDialogBand;
inline const QColor& kCardFill = palette::kSurface;
inline constexpr int kPictureLeft = 28;
inline constexpr int kPictureTop = 17;
inline constexpr int kPictureSize = 80;
inline constexpr int kTextLeft = 123;
inline constexpr int kTextMostWidth = 305;
inline constexpr int kTitleTopWithLink = 17;  // recommendations and friend requests
inline constexpr int kTitleTopPlain = 25;
inline constexpr int kItemTitlePixels = 14;
inline const QColor kItemTitle{96, 96, 96};
inline constexpr int kTextGap = 5;
inline constexpr int kBodyPixels = 12;
inline const QColor kBodyText{167, 167, 167};
inline const QColor kLink{101, 147, 229};
inline constexpr int kLinkBodyLines = 3;
inline constexpr int kPlainBodyLines = 1;
inline constexpr int kAttachLines = 2;
inline constexpr int kLevelMarkLeft = 596;
inline constexpr int kLevelMarkTop = 5;
inline constexpr int kButtonsRight = 618;
inline constexpr int kButtonGap = 5;
inline constexpr int kButtonPixels = 14;
inline const QColor& kActionCaption = palette::kTextOnBrand;
inline const QColor kIgnoreCaption{167, 167, 167};
inline constexpr int kDonePixels = 12;
inline const QColor kDoneText{167, 167, 167};

// The two small dialogs.
inline constexpr int kDialogWidth = 360;
inline constexpr int kDialogHeight = 190;
inline constexpr int kDialogButtonBottom = 10;
inline constexpr int kDialogButtonSpacing = 20;
inline constexpr int kDialogButtonPixels = 12;
inline const QColor kDialogWhiteCaption{0, 0, 0};
inline const QColor& kDialogBlueCaption = palette::kTextOnBrand;
inline const QColor& kDialogBody = palette::kSurface;
inline constexpr int kReasonFrameLeft = 20;
inline constexpr int kReasonFrameTop = 50;
inline constexpr int kReasonFrameRight = 340;
inline constexpr int kReasonFrameBottom = 100;
inline constexpr int kReasonInset = 5;
inline constexpr int kReasonPixels = 12;
inline constexpr int kReasonMinimum = 5;
inline constexpr int kReasonMaximum = 500;
inline constexpr int kGroupCheckLeft = 20;
inline constexpr int kGroupCheckTop = 110;
inline constexpr int kGroupCheckRight = 270;
inline constexpr int kGroupCheckBottom = 127;
inline constexpr int kGroupCheckCaptionOffset = 18;
inline const QColor kGroupCheckCaption{180, 180, 180};
inline constexpr int kQuestionTop = 55;
inline constexpr int kQuestionPixels = 14;
inline const QColor kQuestion{0, 0, 0};

}  // namespace specials_style

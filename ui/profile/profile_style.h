#pragma once
// The profile window's and the friendship dialogs' metrics (card offsets from the card's top-left
// corner, window sizes), faces and colours.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace profile_style {

// The window.
inline constexpr int kWidth = 410;
inline constexpr int kHeight = 360;
inline constexpr int kCaptionHeight = 35;
inline constexpr int kTitleLeft = 8;
inline constexpr int kTitleTop = 8;
inline constexpr int kTitlePixels = 15;
inline const QColor& kTitle = palette::kTextOnBrand;
inline const QColor& kBody = palette::kDialogBody;
inline constexpr int kStripHeight = 25;
inline const QColor& kStrip = palette::kDialogBand;
inline constexpr int kDropLeft = 190;
inline constexpr int kDropTop = 8;
inline constexpr int kMostExtraHeight = 350;

// Section heights.
inline constexpr int kCardHeight = 303;
inline constexpr int kTitleSectionHeight = 50;
inline constexpr int kTagRowHeight = 43;
inline constexpr int kSmallGroupHeight = 78;
inline constexpr int kGroupBaseHeight = 98;
inline constexpr int kLineStep = 20;
inline constexpr int kParagraphBaseHeight = 58;

// The card.
inline constexpr int kLevelMarkRight = 42;
inline constexpr int kLevelMarkTop = 10;  // clear of the title bar above the card
inline constexpr int kAvatarLeft = 23;
inline constexpr int kAvatarTop = 19;
inline constexpr int kAvatarSize = 90;
inline constexpr int kNameLeft = 128;
inline constexpr int kNameTop = 22;
inline constexpr int kNameWidth = 122;
inline constexpr int kNameHeight = 30;
inline constexpr int kNamePixels = 20;
inline const QColor kName{96, 96, 96};
inline constexpr int kVMarkGap = 5;
inline constexpr int kVMarkTop = 28;
inline constexpr int kPositionTop = 52;
inline constexpr int kPositionRight = 403;
inline constexpr int kPositionHeight = 20;
inline constexpr int kPositionPixels = 16;
inline constexpr int kExtraTop = 87;
inline constexpr int kExtraPixels = 14;
inline const QColor kExtra{167, 167, 167};
inline constexpr int kContactLeft = 30;
inline constexpr int kContactTop = 139;
inline constexpr int kContactStep = 30;
inline constexpr int kContactHeight = 22;
inline constexpr int kContactPixels = 15;
inline const QColor kContact{128, 128, 128};
inline constexpr int kCopyGap = 30;
inline constexpr int kCopyPixels = 14;
inline const QColor kCopyHint{144, 144, 144};
// Said in the hint's place for a while after a click copied the row's value.
inline const QColor& kCopied = palette::kBrand;
inline constexpr unsigned kCopiedNoticeMs = 2000;
inline constexpr int kButtonLeft = 25;
inline constexpr int kButtonTop = 237;
inline constexpr int kButtonWidth = 169;
inline constexpr int kButtonStep = 200;
inline constexpr int kWideButtonWidth = 200;
inline constexpr int kAnonymousButtonTop = 260;
inline constexpr int kButtonPixels = 14;
inline const QColor kButtonCaption{101, 147, 229};
inline const QColor& kButtonDisabledCaption = palette::kTextSecondary;

// The detail sections.
inline constexpr int kSectionLeft = 25;
inline constexpr int kSectionRight = 25;
inline constexpr int kSectionTitleTop = 18;
inline constexpr int kSectionTitlePixels = 15;
inline const QColor& kSectionTitle = palette::kTextStrong;
inline const QColor kSectionLine{200, 200, 200};
inline constexpr int kChipTop = 8;
inline constexpr int kChipHeight = 28;
inline constexpr int kChipGap = 12;
inline constexpr int kChipPadding = 14;
inline constexpr int kChipCountGap = 14;
inline constexpr int kChipTextPixels = 15;
inline constexpr int kChipCountPixels = 14;
inline constexpr int kChipMostText = 275;
inline constexpr int kChipRowWidth = 360;
inline constexpr int kMostChipRows = 3;
inline const QColor& kChipFill = palette::kBrandTint;
inline const QColor& kChipText = palette::kText;
inline const QColor& kChipCount = palette::kBrand;
inline constexpr int kValueTop = 14;
inline constexpr int kValuePixels = 14;
inline const QColor& kValueLabel = palette::kTextStrong;
inline const QColor kValue{128, 128, 128};
inline constexpr int kParagraphTop = 10;
inline constexpr int kParagraphWidth = 340;

// The friend-level chooser.
inline constexpr int kLevelWidth = 360;
inline constexpr int kLevelHeight = 220;
inline constexpr int kLevelHintLeft = 25;
inline constexpr int kLevelHintTop = 50;
inline constexpr int kLevelHintPixels = 16;
inline const QColor& kLevelHint = palette::kTextStrong;
inline constexpr int kLevelRadioLeft = 25;
inline constexpr int kLevelRadioTop = 85;
inline constexpr int kLevelRadioStep = 25;
inline constexpr int kLevelRadioPixels = 14;
inline const QColor& kLevelCaption = palette::kTextStrong;
inline const QColor kLevelNote{66, 66, 66};
inline constexpr int kLevelButtonGap = 20;
inline constexpr int kLevelButtonBottom = 10;

// The verification message.
inline constexpr int kConfirmWidth = 400;
inline constexpr int kConfirmHeight = 270;
inline constexpr int kConfirmLabelLeft = 20;
inline constexpr int kConfirmLabelTop = 62;
inline constexpr int kConfirmLabelPixels = 14;
inline const QColor kConfirmLabel{180, 180, 180};
inline constexpr int kConfirmBoxLeft = 23;
inline constexpr int kConfirmBoxTop = 92;
inline constexpr int kConfirmBoxWidth = 346;
inline constexpr int kConfirmBoxHeight = 90;
inline constexpr int kConfirmEditInset = 7;
inline constexpr int kConfirmEditPixels = 12;
inline constexpr int kConfirmCloseLeft = 192;
inline constexpr int kConfirmOkLeft = 289;
inline constexpr int kConfirmButtonBottom = 15;

}  // namespace profile_style

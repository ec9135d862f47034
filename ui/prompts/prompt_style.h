#pragma once
// The metrics, faces and colours of the small dialogs: the shared frame (top bar, body, footer,
// buttons) and the parts each dialog places in it, in client coordinates.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace prompt_style {

// The frame every prompt shares.
inline constexpr int kTitleBarHeight = 36;
inline constexpr int kTitleLeft = 8;
inline constexpr int kTitleTop = 8;
inline constexpr int kTitlePixels = 14;
inline const QColor& kTitle = palette::kTextOnBrand;
inline const QColor& kBody = palette::kDialogBody;
inline const QColor kFooter{239, 239, 239};
inline const QColor& kFooterLine = palette::kDivider;
inline constexpr int kFooterHeight = 58;

// Buttons: the small white and blue pictures, one frame wide.
inline constexpr int kButtonGap = 8;
inline constexpr int kButtonBottomMargin = 15;
inline constexpr int kButtonPixels = 14;
inline constexpr int kButtonTextPadding = 14;  // each side of a caption that widens its button
inline const QColor& kBlueButtonCaption = palette::kTextOnBrand;
inline const QColor& kWhiteButtonCaption = palette::kText;

// Check boxes, radio buttons and the labels above them.
inline constexpr int kChoiceLeft = 36;
// Tall enough for the caption and the keyboard's focus ring around it.
inline constexpr int kChoiceHeight = 24;
inline constexpr int kChoiceRightPadding = 6;
inline constexpr int kChoiceStep = 35;
inline constexpr int kChoiceCaptionOffset = 22;
inline constexpr int kRadioPixels = 15;
inline const QColor kChoiceCaption{100, 100, 100};
inline const QColor& kChoiceNote = palette::kTextSecondary;
inline constexpr int kNotePixels = 12;
inline constexpr int kSectionPixels = 14;
inline const QColor kSectionLabel{150, 150, 150};

// The settings dialog.
inline constexpr int kSettingChecksTop = 67;
inline constexpr int kSettingSectionTop = 195;
inline constexpr int kSettingRadiosTop = 232;
inline constexpr int kSettingNoteGap = 6;
inline constexpr int kSettingCancelLeft = 192;

// The close prompts.
inline constexpr int kCloseSectionTop = 62;
inline constexpr int kCloseRadiosTop = 98;
inline constexpr int kCloseCheckTop = 188;
inline constexpr int kQuestionTop = 70;
inline constexpr int kQuestionPixels = 15;
inline const QColor& kQuestion = palette::kText;
inline constexpr int kCloseAllCheckTop = 132;

// The message box.
inline constexpr int kBoxTextTop = 55;
inline constexpr int kBoxSecondTextTop = 80;
inline constexpr int kBoxTextMargin = 20;
inline constexpr int kBoxTextPixels = 14;
inline constexpr int kBoxSecondPixels = 12;
inline constexpr int kBoxButtonBottom = 10;
inline constexpr int kBoxButtonSpacing = 20;
inline constexpr int kBoxMostHeight = 600;
inline const QColor& kBoxBody = palette::kSurface;
inline const QColor& kBoxText = palette::kTextStrong;
inline const QColor& kBoxSecondText = palette::kTextSecondary;

// The about dialog.
inline constexpr int kAboutLeft = 70;
inline constexpr int kAboutVersionTop = 55;
inline constexpr int kAboutLinkGap = 5;
inline constexpr int kAboutLinkTop = 57;
inline constexpr int kAboutSiteTop = 85;
inline constexpr int kAboutPixels = 14;
inline constexpr int kAboutLinkPixels = 12;
inline const QColor& kAboutText = palette::kText;
inline const QColor kLink{38, 122, 227};

// The new-account dialog.
inline constexpr int kInstallTextLeft = 24;
inline constexpr int kInstallTextTop = 52;
inline constexpr int kInstallLineStep = 22;
inline constexpr int kInstallTextPixels = 13;
inline const QColor& kInstallText = palette::kText;
inline constexpr int kInstallCodeRight = 36;
inline constexpr int kInstallCodeTop = 128;
inline constexpr int kInstallButtonsLeft = 48;
inline constexpr int kInstallButtonsTop = 150;
inline constexpr int kInstallButtonsGap = 24;
inline constexpr int kInstallButtonCaptionGap = 4;
inline constexpr int kInstallButtonCaptionPixels = 12;
inline const QColor& kInstallButtonCaption = palette::kTextSecondary;

}  // namespace prompt_style

#pragma once
// The metrics, faces and colours of the two group windows: the contact picker ("发起聊天" /
// "添加参与人") and the conversation information window ("聊天信息"), in client coordinates
// unless a comment says a row's or a cell's.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace group_style {

// Shared by both windows.
inline constexpr int kShadowDarkness = 75;
inline constexpr int kShadowSharpness = 5;
inline constexpr int kShadowSize = 5;
inline constexpr int kShadowDropX = 0;
inline constexpr int kShadowDropY = 2;
inline constexpr int kTitleBarHeight = 35;
inline const QColor& kTitle = palette::kTextOnBrand;
inline const QColor& kBand = palette::kDialogBand;
inline const QColor& kBody = palette::kDialogBody;
inline const QColor& kError = palette::kAlert;

// The picker.
inline constexpr int kPickerWidth = 410;
inline constexpr int kPickerHeight = 610;
inline constexpr int kPickerTitleLeft = 18;
inline constexpr int kPickerTitleTop = 8;
inline constexpr int kPickerTitlePixels = 15;
inline constexpr int kSearchBandBottom = 83;
inline constexpr int kSearchBarLeft = 15;
inline constexpr int kSearchBarTop = 42;
inline constexpr int kSearchBoxLeft = 55;
inline constexpr int kSearchBoxTop = 50;
inline constexpr int kSearchBoxRightMargin = 80;  // the box is client width - 135 wide
inline constexpr int kSearchBoxHeight = 17;
inline constexpr int kSearchPixels = 12;
inline const QColor& kSearchBackground = kBody;
inline const QColor kSearchText{80, 80, 80};
inline const QColor kSearchPlaceholder{167, 167, 167};
inline constexpr int kLabelLeft = 20;
inline constexpr int kLabelTop = 106;
inline constexpr int kLabelPixels = 14;
inline const QColor kLabel{176, 176, 176};
inline constexpr int kListTop = 130;
inline constexpr int kListBottomMargin = 66;  // the list leaves the bottom band free
inline constexpr int kStripHeight = 85;       // the selected strip, above the bottom band
inline constexpr int kBottomBand = 66;
inline constexpr int kConfirmLeft = 150;
inline constexpr int kConfirmFromBottom = 54;
inline constexpr int kConfirmWidth = 100;
inline constexpr int kConfirmPixels = 14;
inline const QColor& kConfirmCaption = palette::kTextOnBrand;
inline constexpr int kNoteFromBottom = 20;  // the failure note under the confirm button
inline constexpr int kNotePixels = 12;

// A candidate row of the picker (offsets from the row's left and top).
inline constexpr int kRowHeight = 68;
inline const QColor& kRow = kBody;
inline const QColor& kRowHover = palette::kRowHover;
inline constexpr int kCheckLeft = 25;
inline constexpr int kCheckTop = 21;
inline constexpr int kCheckSize = 26;
// The round check's picture index.
enum class CheckMark : int { Unticked = 0, Ticked = 1 };
inline constexpr int kRowAvatarLeft = 70;
inline constexpr int kRowAvatarTop = 13;
inline constexpr int kRowAvatarSize = 42;
inline constexpr int kRowNameLeft = 120;
inline constexpr int kRowNameTop = 15;
inline constexpr int kRowNamePixels = 13;
inline const QColor& kRowName = palette::kText;
inline constexpr int kRowCareerTop = 40;
inline constexpr int kRowCareerRightMargin = 20;
inline constexpr int kRowCareerPixels = 12;
inline const QColor& kRowCareer = palette::kTextSecondary;
inline constexpr int kEmptyTop = 30;
inline constexpr int kEmptyHeight = 24;

// The strip of selected people (from its top, client height - 151).
inline constexpr int kStripFromBottom = 151;
inline const QColor& kStrip = palette::kSurface;
inline constexpr int kStripShown = 5;
inline constexpr int kStripLeft = 50;
inline constexpr int kStripStep = 67;
inline constexpr int kStripAvatarTop = 18;
inline constexpr int kStripAvatarSize = 52;
inline constexpr int kRemoveMarkInset = 18;  // the mark's left and bottom inside the avatar
inline constexpr int kRemoveMarkOut = 8;     // and how far it stands out right and above
inline constexpr int kArrowSize = 22;
inline constexpr int kArrowTop = 28;
inline constexpr int kArrowMargin = 10;

// The information window.
inline constexpr int kInfoWidth = 590;
inline constexpr int kInfoHeight = 590;
inline constexpr int kInfoTitleLeft = 10;
inline constexpr int kInfoTitleRightMargin = 50;
inline constexpr int kInfoTitlePixels = 16;
inline const QColor& kInfoBody = palette::kRowHover;
inline const QColor& kInfoTop = kBody;
inline constexpr int kInfoTopBandBottom = 135;
inline constexpr int kCloseRightMargin = 5;
inline constexpr int kCloseTop = 5;
inline constexpr int kInfoListTop = 40;
inline constexpr int kInfoListGroupRoom = 150;  // a group's list leaves room for its name
inline constexpr int kInfoListOtherRoom = 110;
inline constexpr int kInfoRowHeight = 112;
inline constexpr int kInfoLabelLeft = 24;
inline constexpr int kInfoLabelPixels = 12;
inline const QColor kInfoLabel{141, 141, 141};
inline constexpr int kNotifyFromBottom = 40;
inline constexpr int kRadioGap = 10;
inline constexpr int kRadioCaptionOffset = 30;
inline constexpr int kRadioStep = 22;
inline constexpr int kNameLabelFromBottom = 75;
inline constexpr int kNameLeft = 106;
inline constexpr int kNameTop = 500;
inline constexpr int kNameRight = 306;
inline constexpr int kNameBottom = 517;
inline constexpr int kNameFieldMargin = 12;  // the hover field stands out around the name
inline constexpr int kNameMaxLength = 50;

// A member cell (offsets from the cell's left and top).
inline constexpr int kCellWidth = 270;
inline constexpr int kCellTop = 4;
inline constexpr int kCellBottom = 108;
inline constexpr int kCellsWidth = 556;    // two cells and the room between them
inline constexpr int kFewMembersPad = 16;  // a grid without a scroll bar spreads wider
inline constexpr int kFewMembers = 6;
inline const QColor& kCellOutline = palette::kDialogBand;
inline const QColor kCellHover{246, 246, 246};
inline constexpr int kCellAvatarLeft = 10;
inline constexpr int kCellAvatarSize = 80;
inline constexpr int kLevelRight = 42;
inline constexpr int kCellTextLeft = 100;
inline constexpr int kCellTextRightMargin = 46;
inline constexpr int kCellNameTop = 4;
inline constexpr int kCellNamePixels = 14;
inline const QColor kCellName{96, 96, 96};
inline constexpr int kCellMarkGap = 5;
inline constexpr int kCellCareerTop = 30;
inline constexpr int kCellLine2Top = 50;
inline constexpr int kCellSmallPixels = 12;
inline const QColor kCellSmall{167, 167, 167};
inline constexpr int kCellDeleteOut = 8;  // the remove mark stands out left of and above the avatar

}  // namespace group_style

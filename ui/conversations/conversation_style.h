#pragma once
// The conversation page's metrics (in a row of the list: x0, y0 its top-left corner, x1 its right
// edge) and the skin colours and faces of its rows and notice bars.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace conversation_style {

inline constexpr int kRowHeight = 56;

inline constexpr int kAvatarLeft = 15;
inline constexpr int kAvatarTop = 7;
inline constexpr int kAvatarSize = 42;

// The wide badge (10 and more), the round one (1 to 9) and the quiet dot.
inline constexpr int kWideBadgeLeft = 43;
inline constexpr int kWideBadgeTextLeft = 51;
inline constexpr int kWideBadgeManyTextLeft = 47;  // "99+"
inline constexpr int kRoundBadgeLeft = 48;
inline constexpr int kRoundBadgeTextLeft = 54;
inline constexpr int kBadgeTextTop = 1;
inline constexpr int kBadgeMany = 100;  // from here on the badge says "99+"
inline constexpr int kBadgeWide = 10;
inline constexpr int kQuietDotLeft = 52;
inline constexpr int kQuietDotTop = 5;
inline constexpr int kNoNotifyFromRight = 37;
inline constexpr int kNoNotifyTop = 29;

inline constexpr int kTimeFromRight = 18;
inline constexpr int kTimeTop = 9;
inline constexpr int kTitleLeft = 70;
inline constexpr int kTitleTop = 7;
inline constexpr int kTitleMaxWidth = 170;
inline constexpr int kMarkGap = 2;  // between the title and the "V" mark
inline constexpr int kMarkTop = 11;
inline constexpr int kCareerGap = 5;
inline constexpr int kTimeGap = 6;  // kept free left of the time label
inline constexpr int kLineTop = 32;
inline constexpr int kLineFromRight = 20;
inline constexpr int kLineFromRightQuiet = 35;       // room for the no-notify icon
inline constexpr int kCountGap = 3;                  // between "[n条]" and the text
inline constexpr char kMentionMark[] = "[有人@我]";  // before the text of a mentioning group
// How far back among a group's newest messages an unread mention is looked for.
inline constexpr int kMentionLookBack = 200;
inline constexpr int kTextLineHeight = 18;

inline constexpr int kTitlePixels = 13;
inline constexpr int kSmallPixels = 12;

inline const QColor& kBackground = palette::kRow;
inline const QColor& kHighlight = palette::kRowHover;
inline const QColor& kTitle = palette::kText;
inline const QColor kTime{170, 170, 170};
inline const QColor& kCareer = kTime;
inline const QColor& kLine = palette::kTextSecondary;
inline const QColor& kMention = palette::kAlert;
inline const QColor kBadgeText{Qt::white};
inline const QColor& kDivider = palette::kDivider;

// The notice bars of the chat window.
inline constexpr int kBarTextLeft = 10;
inline constexpr int kBarCloseFromRight = 5;
inline constexpr int kBarPixels = 12;
inline constexpr int kYellowBarTextLeft = 5;
inline constexpr int kYellowBarTextTop = 5;
inline const QColor kBarBackground{196, 237, 255};
inline const QColor& kBarTitle = palette::kText;
inline const QColor& kBarBody = palette::kTextSecondary;
inline const QColor kYellowBarBackground{254, 249, 162};
inline const QColor kYellowBarText{Qt::black};

}  // namespace conversation_style

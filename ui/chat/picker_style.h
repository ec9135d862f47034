#pragma once
// The metrics and colours of the emoticon picker: its size, where it opens over the chat
// window, its border, and the cells of its grid.

#include <QColor>

#include "conversation/emoticon_table.h"
#include "toolkit/skin/skin_colors.h"

namespace picker_style {

// The grid's size, and where the popup opens relative to the chat window's bottom edge (its left
// edge is the chat window's).
inline constexpr int kWidth = 410;
inline constexpr int kHeight = 234;
inline constexpr int kAboveChatBottom = 303;
// The border around the grid: the popup is this much larger on every side.
inline constexpr int kBorder = 1;
inline constexpr int kOuterWidth = kWidth + 2 * kBorder;
inline constexpr int kOuterHeight = kHeight + 2 * kBorder;

// The grid: rows of cells, each face scaled into a square at an inset from the cell's corner.
inline constexpr int kRowHeight = 39;
inline constexpr int kCellWidth = kWidth / EmoticonTable::kColumns;
inline constexpr int kFaceInset = 4;
inline constexpr int kFaceSize = 30;
// Rows below this one draw no line under them.
inline constexpr int kLinedRows = 9;

inline const QColor kBackground = palette::kSurface;
inline const QColor& kBorderColour = palette::kBorder;
inline const QColor kSeparator{0xE5, 0xE3, 0xE3};
// The hover look when the skin has no highlight picture.
inline const QColor& kHoverFallback = palette::kBrandTint;

}  // namespace picker_style

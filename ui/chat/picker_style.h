#pragma once
// The metrics and colours of the emoticon picker: its size, where it opens beside the chat
// window, and the cells of its grid.

#include <QColor>

#include "conversation/emoticon_table.h"
#include "toolkit/skin/skin_colors.h"

namespace picker_style {

// The popup, and where it opens relative to the chat window's left and bottom edges.
inline constexpr int kWidth = 410;
inline constexpr int kHeight = 234;
inline constexpr int kLeftOfChat = 180;
inline constexpr int kAboveChatBottom = 303;

// The grid: rows of cells, each face scaled into a square at an inset from the cell's corner.
inline constexpr int kRowHeight = 39;
inline constexpr int kCellWidth = kWidth / EmoticonTable::kColumns;
inline constexpr int kFaceInset = 4;
inline constexpr int kFaceSize = 30;
// Rows below this one draw no line under them.
inline constexpr int kLinedRows = 9;

inline const QColor kBackground = palette::kSurface;
inline const QColor kSeparator{0xE5, 0xE3, 0xE3};
// The hover look when the skin has no highlight picture.
inline const QColor& kHoverFallback = palette::kBrandTint;

}  // namespace picker_style

#pragma once
// The face in which the conversation page sets message text, and widths measured in it. The
// page's style sheet names the same family and size, so that a bubble made as wide as the text
// measures here holds that text. Needs the GUI application object.

#include <string>
#include <string_view>

inline constexpr char kPageTextFamily[] = "Noto Sans CJK SC";
inline constexpr int kPageTextPixels = 12;

// The width in pixels of UTF-8 text on one line in the page face. Measuring stops once the width
// reaches `enough`, so that a long text costs no more than the part of it that matters.
int PageTextWidth(std::string_view text, int enough = 1 << 30);

// The job line "<province> <company> <salary>" within `room` pixels: when the whole line is wider,
// the province and company part is cut at the last character that still fits with "..." and the
// salary part stays whole.
std::string FitJobLine(const std::string& province, const std::string& company,
                       const std::string& salary, int room);

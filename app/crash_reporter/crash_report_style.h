#pragma once
// The metrics and colours of the crash reporter's window, in client coordinates.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace crash_report_style {

inline constexpr int kMargin = 20;
inline constexpr int kQuestionTop = 52;
inline constexpr int kQuestionPixels = 15;
inline const QColor& kQuestion = palette::kTextStrong;
inline constexpr int kNoteTop = 80;
inline constexpr int kNotePixels = 12;
inline const QColor& kNote = palette::kTextSecondary;
inline constexpr int kReportTop = 102;
inline constexpr int kReportBottomGap = 10;
inline constexpr int kReportPadding = 8;
inline constexpr int kReportPixels = 12;
inline const QColor& kReportBack = palette::kPage;
inline const QColor& kReportBorder = palette::kBorder;
inline const QColor& kReportText = palette::kText;

}  // namespace crash_report_style

#pragma once
// The look of a chat window: its input area below the conversation page, the tool strip and the
// send button.

#include <QColor>

#include "toolkit/skin/skin_colors.h"

namespace chat_style {

inline constexpr int kWidth = 550;
inline constexpr int kHeight = 500;
// The input area at the bottom: the tool strip on the left, the box, the send button.
inline constexpr int kToolStripWidth = 145;
inline constexpr int kSendRight = 15;
inline constexpr int kSendWidth = 80;
inline constexpr int kSendHeight = 32;
inline constexpr int kInputBottom = 10;
inline constexpr int kInputLineHeight = 32;
inline constexpr int kInputFirstLine = 45;
inline constexpr int kInputMaxLines = 3;
inline constexpr int kInputInsetX = 5;
inline constexpr int kInputInsetY = 6;
inline constexpr int kAreaPadding = 10;  // above the input frame
inline constexpr int kToolButton = 32;   // the tool strip's icon buttons, square

inline const QColor kBackground{245, 245, 245};
inline const QColor kAnonymousBackground{53, 53, 53};
inline const QColor kSeparator = palette::kDivider;
inline const QColor kInputFrame = palette::kBorder;
inline const QColor kInputBackground = palette::kSurface;
inline const QColor kToolOn = palette::kBrandTint;  // behind a tool that is switched on

// What the reader sees when a send failed and the service gave no reason of its own.
inline constexpr char kSendFailed[] = "发送失败，请检查网络后重试";
inline constexpr char kConversationGone[] = "这个会话已经不存在了，消息没有发出";
inline constexpr char kErrorCaption[] = "出错啦~~";
// In place of a conversation page that could not be made, or whose renderer ended.
inline constexpr char kPageGone[] =
    "聊天记录无法显示：网页组件没有启动或意外退出。关闭这个会话后重新打开即可再试。";
inline const QColor kPageGoneText = palette::kTextSecondary;

}  // namespace chat_style

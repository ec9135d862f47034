#pragma once
// The question after an update check found a ready installer: a forced update offers only
// "install now", an optional one also "remind me next time".

#include "platform/win_types.h"

inline constexpr char kForcedUpdateText[] = "检测到新版本，不更新会影响使用";
inline constexpr char kOptionalUpdateText[] = "检测到新版本，不更新你就out啦";
inline constexpr char kRemindLaterCaption[] = "下次再提醒我";
inline constexpr char kInstallNowCaption[] = "立即安装更新";
inline constexpr char kInstallerFailedText[] = "安装程序无法启动，请稍后再试";

// Asks modally over `owner` (may be null); true when the user chose to install.
bool AskToInstallUpdate(HWND owner, bool forced);
// Tells over `owner` that the installer could not be started.
void TellInstallerFailed(HWND owner);

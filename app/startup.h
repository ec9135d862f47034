#pragma once
// The process from start to end: single instance, the skin check, the process-wide facilities,
// the main window and its message loop, and the shutdown in reverse order.

namespace lumeno::app {

// The name of the single-instance lock.
inline constexpr const char* kInstanceMutexName = "xxxxxxMutex";
inline constexpr const char* kSkinMissingText = "皮肤文件丢失了，亲~~";
inline constexpr const char* kReminderCaption = "Lumeno提醒";

// Runs the client. The command line changes nothing. Always returns 0.
int RunClient(int argc, char** argv);

}  // namespace lumeno::app

#pragma once
// The process from start to end: single instance, the skin check, the process-wide facilities,
// the main window and its message loop, and the shutdown in reverse order.

namespace lumeno::app {

// The name of the single-instance lock.
inline constexpr const char* kInstanceMutexName = "xxxxxxMutex";
inline constexpr const char* kSkinMissingText = "皮肤文件丢失了，亲~~";
inline constexpr const char* kReminderCaption = "Lumeno提醒";

// The windows beside the main window that the program adds (the conversations' window): made
// once the main window exists, taken down before it goes.
struct ExtraWindows {
    void (*create)() = nullptr;
    void (*destroy)() = nullptr;
};

// Connects the about dialog's update link and the update prompt to the update checker; once the
// installer runs, the program leaves through LeaveForInstaller.
void InstallUpdateChecker();
// Ends the program for the installer that now runs: the dialogs over the windows close, then
// the main window quits as through its menu.
void LeaveForInstaller();

// Runs the client. The command line changes nothing. Always returns 0.
int RunClient(int argc, char** argv, ExtraWindows extra = {});

}  // namespace lumeno::app

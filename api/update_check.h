#pragma once
// The update checker: asks the service for the newest version of the client, downloads its
// installer into the data folder's "Update" folder, checks it by MD5 and offers to run it.
//
// A check runs in the background once at start-up (silent: an optional update is downloaded
// and offered at a later check) or on demand from the about dialog, which follows its status
// and the download's progress. The installer is started only from the private "Update" folder
// and only while its MD5 matches the one the service announced.
//
// What the client runs must come over https: the check is made only when the service's address
// is https or on this machine (the local service), the installer is fetched only from such an
// address and follows redirects only to https. The installer is read for its MD5 on a worker,
// never on the UI thread.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "flow/async_work_flow.h"
#include "platform/win_types.h"

// What a check reports while it runs.
// Refused: the check's or the installer's address is neither https nor on this machine.
enum class UpdateStatus {
    Checking = 0,
    Downloading = 1,
    UpToDate = 2,
    NewVersion = 3,
    Failed = 4,
    Refused = 5,
};

// Told on the UI thread while an on-demand check runs: its status, and during the download the
// bytes received and the announced length (0 while unknown).
struct UpdateReport {
    std::function<void(UpdateStatus)> status;
    std::function<void(std::uint64_t received, std::uint64_t total)> progress;
};

// The result of the last check, for the life of the process.
struct UpdateInfo {
    std::int32_t force = 0;  // 1: the update is mandatory
    std::string version;     // four dot-separated numbers
    std::string url;         // of the installer
    std::string desc;        // kept, not shown
    std::string md5;         // 32 hexadecimal digits
    std::string updateDirectory;
    std::string installerPath;
    FlowHandle background;
};
UpdateInfo& CurrentUpdateInfo();

// Where the checker meets the windows and the program; start-up installs the real ones.
struct UpdateSeams {
    // Asks over `owner` whether to install now; true for "install".
    std::function<bool(HWND owner, bool forced)> ask;
    // Tells the user over `owner` that the installer could not be started.
    std::function<void(HWND owner)> startFailed;
    // Ends the client once the installer runs.
    std::function<void()> leave;
};
void SetUpdateSeams(UpdateSeams seams);

// What the about dialog says when a check was refused for its address.
inline constexpr char kUpdateRefusedText[] = "更新地址不安全，未更新";

// The installer's file name inside the update folder.
inline constexpr const char* kInstallerFileName = "update.run";
// The service path of the check, naming this platform.
inline constexpr const char* kCheckVersionPath = "/lumeno/check_version?p=linux";
inline constexpr int kCheckAttempts = 3;
inline constexpr int kCheckRetryPauseMs = 1000;

// Fills the update folder and the installer path from the data folder.
void PrepareUpdatePaths();

// Whether `offered` is newer than `running`: both must have exactly four dot-separated pieces
// (a piece that is not a number counts as 0), compared numerically from the left.
bool IsNewerVersion(std::string_view running, std::string_view offered);
// Whether the last known server version is newer than the running program.
bool HasNewerVersion();
// The file's MD5 as 32 lowercase hexadecimal digits; empty when it cannot be read. Reads the
// whole file: call it on a worker.
std::string FileMd5Hex(const std::string& path);
// Told on the thread that reads a file for its MD5, just before it reads it (for the tests that
// check that no installer is hashed on the UI thread). Set it while no check runs.
void SetMd5ReadWatcher(std::function<void()> watcher);
// Whether the installer file exists with the expected MD5 (letter case ignored); false while
// no MD5 is expected. Reads the whole file: call it on a worker.
bool InstallerIsValid();
// Reads the service's answer into `info` (the paths and the flow handle stay). False when the
// answer is not a JSON object.
bool DecodeUpdateAnswer(const std::string& body, UpdateInfo& info);

// The check itself, as a work-flow step. `report` is null for the background check.
void UpdateCheckFlow(const UpdateReport* report, HWND owner, CAsyncWorkFlow& flow);
// Starts the background check unless it already runs. Called once when the main window exists.
void StartBackgroundUpdateCheck(HWND owner);
// Stops the background check (the program ends).
void CancelBackgroundUpdateCheck();
// Starts an on-demand check into `handle`; false when one runs there already.
bool StartUpdateCheck(FlowHandle* handle, UpdateReport report, HWND owner);

// Makes the installer executable and starts it detached, after checking again (the file read on
// a worker) that it is the file the service announced. False when it is not valid or could not
// be started. A step of `flow`, on the UI thread.
bool StartInstaller(CAsyncWorkFlow& flow);

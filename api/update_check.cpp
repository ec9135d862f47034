#include "api/update_check.h"

#include <sys/stat.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "api/json_access.h"
#include "config/log.h"
#include "net/address_rules.h"
#include "net/download.h"
#include "net/http_request.h"
#include "net/server_settings.h"
#include "platform/directories.h"
#include "platform/private_files.h"

namespace {

UpdateSeams& Seams() {
    static UpdateSeams seams;
    return seams;
}

std::mutex& Md5WatcherMutex() {
    static std::mutex mutex;
    return mutex;
}
std::function<void()>& Md5Watcher() {
    static std::function<void()> watcher;
    return watcher;
}

// The check's own address, before the host override of Config.ini.
std::string CheckAddress() {
    return std::string("https://") + kBuiltInApiHost + kCheckVersionPath;
}

std::vector<long long> VersionPieces(std::string_view text) {
    std::vector<long long> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        const std::string_view piece = text.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        long long value = 0;
        for (char c : piece) {
            if (c < '0' || c > '9') {
                value = 0;
                break;
            }
            value = value * 10 + (c - '0');
            if (value > 0x7fffffff) value = 0x7fffffff;  // a runaway piece stays comparable
        }
        pieces.push_back(value);
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return pieces;
}

bool SameHexIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

void Tell(const UpdateReport* report, UpdateStatus status) {
    if (report && report->status) report->status(status);
}

// Asks the service, up to three times, one second apart (on a worker).
std::string AskService() {
    std::string body;
    for (int attempt = 0; attempt < kCheckAttempts; ++attempt) {
        body = HttpGetText(CheckAddress());
        if (!body.empty()) break;
        WriteLog("访问网络失败错误码: %d", errno);
        if (attempt + 1 < kCheckAttempts)
            std::this_thread::sleep_for(std::chrono::milliseconds(kCheckRetryPauseMs));
    }
    return body;
}

// Whether the installer at `path` is the announced file: read on a worker, compared here on the
// UI thread against the expected value as it is now (a later check may have changed it).
bool InstallerMatches(CAsyncWorkFlow& flow) {
    const std::string actual = PoolScope::Run(
        flow, [path = CurrentUpdateInfo().installerPath] { return FileMd5Hex(path); });
    const std::string& expected = CurrentUpdateInfo().md5;
    return !expected.empty() && !actual.empty() && SameHexIgnoringCase(actual, expected);
}

// Offers the update over `owner`; the installer runs and the client leaves when the user agrees.
void OfferUpdate(HWND owner, bool forced, CAsyncWorkFlow& flow) {
    UpdateSeams& seams = Seams();
    if (!seams.ask || !seams.ask(owner, forced)) return;
    if (!StartInstaller(flow)) {
        if (seams.startFailed) seams.startFailed(owner);
        return;
    }
    WriteLogText("the installer runs; the client leaves");
    if (seams.leave) seams.leave();
}

}  // namespace

UpdateInfo& CurrentUpdateInfo() {
    static UpdateInfo info;
    return info;
}

void SetUpdateSeams(UpdateSeams seams) {
    Seams() = std::move(seams);
}

void PrepareUpdatePaths() {
    UpdateInfo& info = CurrentUpdateInfo();
    info.updateDirectory = platform::JoinPath(platform::DataDirectory(), "Update");
    info.installerPath = platform::JoinPath(info.updateDirectory, kInstallerFileName);
}

bool IsNewerVersion(std::string_view running, std::string_view offered) {
    const std::vector<long long> mine = VersionPieces(running);
    const std::vector<long long> theirs = VersionPieces(offered);
    if (mine.size() != 4 || theirs.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (mine[i] < theirs[i]) return true;
        if (mine[i] > theirs[i]) return false;
    }
    return false;
}

bool HasNewerVersion() {
    return IsNewerVersion(ProgramFileVersion(), CurrentUpdateInfo().version);
}

void SetMd5ReadWatcher(std::function<void()> watcher) {
    std::lock_guard lock(Md5WatcherMutex());
    Md5Watcher() = std::move(watcher);
}

std::string FileMd5Hex(const std::string& path) {
    {
        std::lock_guard lock(Md5WatcherMutex());
        if (Md5Watcher()) Md5Watcher()();
    }
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file)) return {};
    return hash.result().toHex().toStdString();
}

bool InstallerIsValid() {
    const UpdateInfo& info = CurrentUpdateInfo();
    if (info.md5.empty() || info.installerPath.empty()) return false;
    const std::string actual = FileMd5Hex(info.installerPath);
    return !actual.empty() && SameHexIgnoringCase(actual, info.md5);
}

bool DecodeUpdateAnswer(const std::string& body, UpdateInfo& info) {
    Json::Value root;
    FlatObject flat;
    if (!ParseJson(body, root) || !FlattenObject(root, flat)) return false;
    info.desc.clear();
    info.url.clear();
    info.md5.clear();
    info.version.clear();
    info.force = 0;
    flat.GetText("desc", info.desc);
    flat.GetText("url", info.url);
    flat.GetText("md5", info.md5);
    flat.GetText("version", info.version);
    flat.GetInt("force", info.force);
    return true;
}

void UpdateCheckFlow(const UpdateReport* report, HWND owner, CAsyncWorkFlow& flow) {
    // An answer over plain http from another machine could name any installer with its MD5.
    if (!IsHttpsOrLoopback(ApplyHostOverride(CheckAddress(), ServerSettings::Current()))) {
        WriteLogText(
            "the update check is not made: the service's address is plain http to "
            "another machine");
        Tell(report, UpdateStatus::Refused);
        return;
    }
    Tell(report, UpdateStatus::Checking);
    const std::string body = PoolScope::Run(flow, [] { return AskService(); });

    UpdateInfo& info = CurrentUpdateInfo();
    if (info.installerPath.empty()) PrepareUpdatePaths();
    if (!DecodeUpdateAnswer(body, info) || info.version.empty()) {
        // Not an answer to the question (a refusal has no version either).
        WriteLogText("the update check's answer names no version");
        Tell(report, UpdateStatus::Failed);
        return;
    }
    if (!HasNewerVersion()) {
        Tell(report, UpdateStatus::UpToDate);
        return;
    }
    if (!IsHttpsOrLoopback(info.url)) {
        WriteLogText("the installer's address is neither https nor on this machine: refused");
        Tell(report, UpdateStatus::Refused);
        return;
    }
    const bool forced = info.force == 1;
    bool ready = InstallerMatches(flow);
    if (!ready) {
        Tell(report, UpdateStatus::Downloading);
        DownloadProgress progress;
        if (report && report->progress) progress = report->progress;
        const bool downloaded =
            DownloadToFile(info.url, info.updateDirectory, info.installerPath,
                           kInstallerDownloadTimeoutMs, flow, progress, RedirectRule::kHttpsOnly);
        const bool valid = downloaded && InstallerMatches(flow);
        if (!downloaded) {
            WriteLogText("the installer could not be downloaded");
        } else if (!valid) {
            // Never left where a later check or the user could start it.
            WriteLogText("the installer's MD5 does not match the announced one");
            platform::RemoveFile(info.installerPath);
        }
        if (valid && !forced && !report) return;  // offered at a later check
        ready = valid;
    }
    Tell(report, ready ? UpdateStatus::NewVersion : UpdateStatus::Failed);
    if (ready) OfferUpdate(owner, forced, flow);
}

void StartBackgroundUpdateCheck(HWND owner) {
    PrepareUpdatePaths();
    RunFlowOnce(CurrentUpdateInfo().background,
                [owner](CAsyncWorkFlow& flow) { UpdateCheckFlow(nullptr, owner, flow); });
}

bool StartUpdateCheck(FlowHandle* handle, UpdateReport report, HWND owner) {
    if (!handle) return false;
    PrepareUpdatePaths();
    return RunFlowOnce(*handle, [report = std::move(report), owner](CAsyncWorkFlow& flow) {
        UpdateCheckFlow(&report, owner, flow);
    });
}

void CancelBackgroundUpdateCheck() {
    CAsyncWorkFlow::CancelFlow(&CurrentUpdateInfo().background);
}

bool StartInstaller(CAsyncWorkFlow& flow) {
    if (!InstallerMatches(flow)) {
        WriteLogText("the installer is not the announced file and is not started");
        return false;
    }
    const UpdateInfo& info = CurrentUpdateInfo();
    if (::chmod(info.installerPath.c_str(), S_IRWXU) != 0) {
        WriteLog("the installer cannot be made executable: %d", errno);
        return false;
    }
    if (!QProcess::startDetached(QString::fromStdString(info.installerPath), {},
                                 QString::fromStdString(info.updateDirectory))) {
        WriteLogText("the installer could not be started");
        return false;
    }
    return true;
}

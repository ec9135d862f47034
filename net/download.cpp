#include "net/download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "flow/async_work_flow.h"
#include "net/server_settings.h"
#include "platform/private_files.h"
#include "platform/window.h"
#include "platform/work_pool.h"

namespace {

// Time a transfer may run past its caller's time-out before it stops by itself.
constexpr long kTransferGraceMs = 2000;
constexpr long kMaxConnectMs = 15000;

UINT DownloadStopMessage() {
    static const UINT message = platform::RegisterWindowMessage("LumenoDownloadStopped");
    return message;
}

bool StartsWithScheme(const std::string& url, const char* scheme) {
    const std::size_t n = std::char_traits<char>::length(scheme);
    if (url.size() <= n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
    }
    return true;
}

bool IsWebUrl(const std::string& url) {
    return StartsWithScheme(url, "http://") || StartsWithScheme(url, "https://");
}

// The protocols a transfer of `url` may be redirected to, as libcurl names them.
const char* RedirectProtocols(const std::string& url, RedirectRule rule) {
    if (rule == RedirectRule::kHttpsOnly || StartsWithScheme(url, "https://")) return "https";
    return "http,https";
}

}  // namespace

// One transfer, shared by the waiting flow and the worker that runs it.
class DownloadTransfer {
  public:
    enum class State { kRunning, kFinished, kAbandoned };

    std::string url;
    long limitMs = 0;
    std::size_t maxBytes = 0;
    int fd = -1;              // the temporary file of the file form
    std::string partialPath;  // its name
    WPARAM id = 0;
    HWND window = nullptr;
    std::string caFile;
    const char* redirectProtocols = "https";

    // Written by the worker before it finishes; read by the flow after it has seen kFinished.
    bool ok = false;
    std::string body;
    // Read by the waiting flow while the worker writes them.
    std::atomic<std::size_t> received{0};
    std::atomic<std::uint64_t> announced{0};

    std::atomic<bool> stopWanted{false};
    // The body was (or was announced to be) longer than maxBytes.
    std::atomic<bool> tooLarge{false};

    // Moves to kFinished (worker) or kAbandoned (flow) once; whoever comes second cleans up.
    State Finish() {
        std::lock_guard lock(mutex_);
        if (state_ == State::kRunning) state_ = State::kFinished;
        return state_;
    }
    State Abandon() {
        stopWanted = true;
        std::lock_guard lock(mutex_);
        if (state_ == State::kRunning) state_ = State::kAbandoned;
        return state_;
    }
    bool Finished() {
        std::lock_guard lock(mutex_);
        return state_ == State::kFinished;
    }

    void Run();

  private:
    static std::size_t Receive(char* data, std::size_t size, std::size_t count, void* user);
    static int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    std::mutex mutex_;
    State state_ = State::kRunning;
};

std::size_t DownloadTransfer::Receive(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<DownloadTransfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer->received + bytes > transfer->maxBytes) {  // too long: fail
        transfer->tooLarge = true;
        return 0;
    }
    transfer->received += bytes;
    if (transfer->fd < 0) {
        transfer->body.append(data, bytes);
        return bytes;
    }
    std::size_t written = 0;
    while (written < bytes) {
        const ssize_t n = ::write(transfer->fd, data + written, bytes - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;  // a full disk fails the download instead of truncating the file
        written += static_cast<std::size_t>(n);
    }
    return bytes;
}

int DownloadTransfer::Progress(void* user, curl_off_t total, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<DownloadTransfer*>(user);
    if (total > 0) transfer->announced = static_cast<std::uint64_t>(total);
    // A body announced longer than the limit is not waited for.
    if (total > 0 && static_cast<std::uint64_t>(total) > transfer->maxBytes)
        transfer->tooLarge = true;
    return transfer->stopWanted || transfer->tooLarge ? 1 : 0;
}

void DownloadTransfer::Run() {
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    bool success = false;
    if (CURL* curl = curl_easy_init()) {
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, redirectProtocols);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(limitMs, kMaxConnectMs));
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limitMs);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Receive);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
        const CURLcode result = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_cleanup(curl);
        success = result == CURLE_OK && status >= 200 && status < 300;
    }
    if (fd >= 0) {
        if (success && ::fsync(fd) != 0) success = false;
        if (::close(fd) != 0) success = false;
        fd = -1;
    }
    ok = success;
    if (Finish() == State::kAbandoned) {
        // Nobody waits any more: the partial file is this worker's to remove.
        if (!partialPath.empty()) platform::RemoveFile(partialPath);
        return;
    }
    platform::PostMessage(window, DownloadStopMessage(), id, 0);
}

namespace {

void RunTransfer(void* argument) {
    std::unique_ptr<DownloadTransferPtr> transfer(static_cast<DownloadTransferPtr*>(argument));
    (*transfer)->Run();
}

DownloadTransferPtr MakeTransfer(const std::string& url, int timeoutMs, std::size_t maxBytes,
                                 RedirectRule redirects) {
    static WPARAM nextId = 0;
    if (!IsWebUrl(url) || timeoutMs <= 0) return nullptr;
    auto transfer = std::make_shared<DownloadTransfer>();
    transfer->url = url;
    transfer->limitMs = timeoutMs + kTransferGraceMs;
    transfer->maxBytes = maxBytes;
    transfer->id = ++nextId;
    transfer->window = CAsyncWorkFlow::WorkFlowWindow();
    transfer->caFile = ServerSettings::Current().caFile;
    transfer->redirectProtocols = RedirectProtocols(url, redirects);
    return transfer;
}

void Launch(const DownloadTransferPtr& transfer) {
    platform::QueueWorkItem(&RunTransfer, new DownloadTransferPtr(transfer));
}

bool MatchTimer(const FilterNode& node, const BroadcastMessage& record) {
    return record.message == WM_TIMER && record.wParam == node.wParam;
}

// Gives the transfer up when its wait is left without its result (time-out, cancellation).
class AbandonGuard {
  public:
    explicit AbandonGuard(DownloadTransfer& transfer) : transfer_(transfer) {}
    AbandonGuard(const AbandonGuard&) = delete;
    AbandonGuard& operator=(const AbandonGuard&) = delete;
    ~AbandonGuard() {
        if (kept_) return;
        if (transfer_.Abandon() == DownloadTransfer::State::kFinished &&
            !transfer_.partialPath.empty()) {
            platform::RemoveFile(transfer_.partialPath);
        }
    }
    void Keep() { kept_ = true; }

  private:
    DownloadTransfer& transfer_;
    bool kept_ = false;
};

struct TimerGuard {
    HWND window;
    std::uintptr_t id;
    ~TimerGuard() {
        if (id) platform::KillTimer(window, id);
    }
};

}  // namespace

DownloadTransferPtr StartDownloadToMemory(const std::string& url, int timeoutMs,
                                          std::size_t maxBytes) {
    DownloadTransferPtr transfer =
        MakeTransfer(url, timeoutMs, maxBytes, RedirectRule::kNoDowngrade);
    if (transfer) Launch(transfer);
    return transfer;
}

bool AwaitDownload(const DownloadTransferPtr& transfer, int timeoutMs, CAsyncWorkFlow& flow,
                   std::string* body, const DownloadProgress& progress) {
    if (!transfer) return false;
    AbandonGuard abandon(*transfer);
    auto tell = [&] {
        if (progress) progress(transfer->received.load(), transfer->announced.load());
    };
    if (!transfer->Finished()) {
        const HWND window = CAsyncWorkFlow::WorkFlowWindow();
        if (!window || timeoutMs <= 0) return false;
        TimerGuard timer{window, 0};
        timer.id = reinterpret_cast<std::uintptr_t>(&timer);
        platform::SetTimer(window, timer.id, static_cast<UINT>(timeoutMs));
        FilterNode timeUp;
        timeUp.match = &MatchTimer;
        timeUp.message = WM_TIMER;
        timeUp.wParam = timer.id;
        // The progress ticks, only when someone listens.
        TimerGuard ticks{window, 0};
        FilterNode tick;
        if (progress) {
            ticks.id = reinterpret_cast<std::uintptr_t>(&ticks);
            platform::SetTimer(window, ticks.id, kDownloadProgressPeriodMs);
            tick.match = &MatchTimer;
            tick.message = WM_TIMER;
            tick.wParam = ticks.id;
            timeUp.next = &tick;
        }
        FilterNode stopped;
        stopped.message = DownloadStopMessage();
        stopped.wParam = transfer->id;
        stopped.next = &timeUp;
        for (;;) {
            const BroadcastMessage* woke = flow.WaitMessage(&stopped);
            if (progress && woke->message == WM_TIMER && woke->wParam == ticks.id) {
                if (transfer->Finished()) break;
                tell();
                continue;
            }
            if (woke->message == WM_TIMER || !transfer->Finished()) return false;
            break;
        }
    }
    abandon.Keep();
    if (!transfer->ok) return false;
    tell();
    if (body) *body = std::move(transfer->body);
    return true;
}

bool DownloadTooLarge(const DownloadTransferPtr& transfer) {
    return transfer && transfer->tooLarge;
}

bool DownloadToBuffer(const std::string& url, std::string& body, int timeoutMs,
                      CAsyncWorkFlow& flow, std::size_t maxBytes, bool* tooLarge) {
    const DownloadTransferPtr transfer = StartDownloadToMemory(url, timeoutMs, maxBytes);
    const bool ok = AwaitDownload(transfer, timeoutMs, flow, &body);
    if (tooLarge) *tooLarge = !ok && DownloadTooLarge(transfer);
    return ok;
}

bool IsPathInside(const std::string& directory, const std::string& path) {
    namespace fs = std::filesystem;
    if (directory.empty() || path.empty()) return false;
    const fs::path base = fs::path(directory).lexically_normal();
    const fs::path file = fs::path(path).lexically_normal();
    const fs::path relative = file.lexically_relative(base);
    if (relative.empty() || relative.is_absolute() || !file.has_filename()) return false;
    for (const fs::path& part : relative) {
        if (part == ".." || part == ".") return false;
    }
    return true;
}

bool DownloadToFile(const std::string& url, const std::string& directory,
                    const std::string& filePath, int timeoutMs, CAsyncWorkFlow& flow,
                    const DownloadProgress& progress, RedirectRule redirects) {
    if (!IsPathInside(directory, filePath)) return false;
    DownloadTransferPtr transfer = MakeTransfer(url, timeoutMs, kMaxDownloadToFile, redirects);
    if (!transfer) return false;
    const std::string folder = std::filesystem::path(filePath).parent_path().string();
    platform::MakePrivateDirectory(folder);
    std::string partial =
        folder + "/." + std::filesystem::path(filePath).filename().string() + ".part-XXXXXX";
    const int fd = ::mkostemp(partial.data(), O_CLOEXEC);
    if (fd < 0) return false;
    transfer->fd = fd;
    transfer->partialPath = partial;
    Launch(transfer);
    if (!AwaitDownload(transfer, timeoutMs, flow, nullptr, progress)) {
        platform::RemoveFile(partial);
        return false;
    }
    if (std::rename(partial.c_str(), filePath.c_str()) != 0) {
        platform::RemoveFile(partial);
        return false;
    }
    return true;
}

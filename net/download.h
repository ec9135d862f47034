#pragma once
// Downloads of pictures, voice clips and files by URL, apart from the service's API requests.
// A download is started from a work flow on the UI thread; the transfer runs on a worker and the
// flow waits for its end or its time-out without blocking the UI. Several may run at once; each
// wakes only the flow that waits for it.
//
// Only http and https are fetched, a status outside 2xx is a failure, and every transfer has its
// own time limit, so a transfer whose flow gave up (time-out, cancellation) still ends and frees
// its worker. A file is written under a temporary name beside its target and renamed when the
// body is complete: the target never holds a partial body.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CAsyncWorkFlow;

// Which redirects a transfer follows (at most five, and only to http or https). An address that
// starts over https never continues over plain http: the protection it asked for would go
// without anyone seeing it. A plain http address may be redirected to either.
enum class RedirectRule {
    kNoDowngrade,
    // Only to https, whatever the address starts with: for what the client runs (the installer),
    // whose plain-http exception for the loopback service must not reach another host.
    kHttpsOnly,
};

// The time-outs of the callers.
constexpr int kPictureDownloadTimeoutMs = 30000;
constexpr int kVoiceDownloadTimeoutMs = 10000;
constexpr int kOpenedPictureTimeoutMs = 5000;
constexpr int kInstallerDownloadTimeoutMs = 600000;

// Largest body kept in memory, and largest file written.
constexpr std::size_t kMaxDownloadInMemory = 32u * 1024 * 1024;
constexpr std::size_t kMaxDownloadToFile = 1024u * 1024 * 1024;

// True when the whole body arrived within `timeoutMs`; `body` then holds it (and is left as it
// was otherwise). A body longer than `maxBytes` fails, as soon as the server announces its length
// or the bytes go beyond it; `tooLarge`, when given, tells that failure from the others.
bool DownloadToBuffer(const std::string& url, std::string& body, int timeoutMs,
                      CAsyncWorkFlow& flow, std::size_t maxBytes = kMaxDownloadInMemory,
                      bool* tooLarge = nullptr);

// Told on the UI thread, inside the waiting flow, how far a download is: the bytes received so
// far and the length the server announced (0 while it is not known). Called at most every
// kDownloadProgressPeriodMs and once more when the body is complete.
using DownloadProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;
constexpr int kDownloadProgressPeriodMs = 100;

// True when the whole body arrived within `timeoutMs` and now is the file `filePath`, which must
// lie inside `directory` (created when missing). False, before any network traffic, for a path
// outside the directory or a directory where no file can be created.
bool DownloadToFile(const std::string& url, const std::string& directory,
                    const std::string& filePath, int timeoutMs, CAsyncWorkFlow& flow,
                    const DownloadProgress& progress = {},
                    RedirectRule redirects = RedirectRule::kNoDowngrade);

// The two halves of a download, for callers that start several before waiting.
class DownloadTransfer;
using DownloadTransferPtr = std::shared_ptr<DownloadTransfer>;

// Starts the transfer on a worker (UI thread). Null when the URL is not http or https.
DownloadTransferPtr StartDownloadToMemory(const std::string& url, int timeoutMs,
                                          std::size_t maxBytes = kMaxDownloadInMemory);
// Waits inside `flow` until the transfer ends (true when it succeeded; its body moves into
// `body`) or `timeoutMs` passes. A transfer that is no longer waited for is stopped.
bool AwaitDownload(const DownloadTransferPtr& transfer, int timeoutMs, CAsyncWorkFlow& flow,
                   std::string* body, const DownloadProgress& progress = {});
// True when the transfer stopped because its body was longer than its limit.
bool DownloadTooLarge(const DownloadTransferPtr& transfer);

// True when `path` names a file inside `directory` (no "..", no escape through an absolute
// part), judged on the text of the two paths.
bool IsPathInside(const std::string& directory, const std::string& path);

#include "net/w3_client.h"

#include <curl/curl.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

std::mutex& LimitsMutex() {
    static std::mutex mutex;
    return mutex;
}
RequestLimits& SharedLimits() {
    static RequestLimits limits;
    return limits;
}

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Receiver {
    std::string* body;
    std::size_t limit;
};

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* user) {
    auto* receiver = static_cast<Receiver*>(user);
    std::size_t bytes = size * count;
    std::size_t room = receiver->limit - std::min(receiver->limit, receiver->body->size());
    receiver->body->append(data, std::min(bytes, room));
    return bytes <= room ? bytes : 0;  // 0 stops an answer that outgrows the limit
}

}  // namespace

void SetDefaultRequestLimits(const RequestLimits& limits) {
    std::lock_guard lock(LimitsMutex());
    SharedLimits() = limits;
}

RequestLimits DefaultRequestLimits() {
    std::lock_guard lock(LimitsMutex());
    return SharedLimits();
}

W3Client::W3Client() : limits_(DefaultRequestLimits()) {
    InitialiseCurlOnce();
}

W3Client::~W3Client() = default;

bool W3Client::Connect(const std::string& host, int port, const std::string& user,
                       const std::string& password, UrlParts::Kind kind, const std::string& agent) {
    host_ = host;
    user_ = user;
    password_ = password;
    kind_ = kind;
    agent_ = agent;
    port_ = port != 0 ? port : kind == UrlParts::kHttps ? 443 : kind == UrlParts::kFtp ? 21 : 80;
    return true;  // connection problems show as a failed request
}

bool W3Client::ConnectUrl(const std::string& url) {
    UrlParts parts = SplitUrl(url);
    requestPath_ = parts.pathAndQuery;
    return Connect(parts.host, parts.port, parts.user, parts.password, parts.kind,
                   "Mozilla/4.0 (compatible; )");
}

std::string W3Client::BaseUrl() const {
    const char* scheme = kind_ == UrlParts::kHttps ? "https"
                         : kind_ == UrlParts::kFtp ? "ftp"
                                                   : "http";
    std::string host = host_.find(':') != std::string::npos ? "[" + host_ + "]" : host_;
    return std::string(scheme) + "://" + host + ":" + std::to_string(port_);
}

bool W3Client::Get(const std::string& path) {
    return Perform(path, nullptr, {});
}

void W3Client::AddPostArgument(const std::string& name, const std::string& value, bool isFile) {
    postArguments_.push_back({name, value, isFile});
}

bool W3Client::PostMultipart(const std::string& path) {
    auto body = BuildMultipartBody(postArguments_, limits_.maxBodyBytes);
    if (!body) return false;
    return Perform(path, &body->bytes, body->boundary);
}

bool W3Client::Perform(const std::string& path, const std::string* body,
                       const std::string& boundary) {
    response_.clear();
    readOffset_ = 0;
    status_ = 0;
    CURL* curl = curl_easy_init();
    if (!curl) return false;
    const std::string url = BaseUrl() + (path.empty() || path[0] != '/' ? "/" : "") + path;
    Receiver receiver{&response_, limits_.maxBodyBytes};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent_.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits_.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits_.totalSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &receiver);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile_.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile_.c_str());
    if (!user_.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user_.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password_.c_str());
    }
    curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
    headers = curl_slist_append(headers, "Expect:");
    if (body) {
        const std::string contentType = "Content-Type: multipart/form-data; boundary=" + boundary;
        headers = curl_slist_append(headers, contentType.c_str());
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    CURLcode result = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status_);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return result == CURLE_OK;
}

std::size_t W3Client::ReadChunk(char* buffer) {
    std::size_t count = std::min<std::size_t>(1023, response_.size() - readOffset_);
    std::memcpy(buffer, response_.data() + readOffset_, count);
    readOffset_ += count;
    return count;
}

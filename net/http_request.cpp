#include "net/http_request.h"

#include <cassert>

#include "config/log.h"
#include "net/url_parts.h"
#include "net/w3_client.h"
#include "platform/ui_thread.h"

namespace {

// Rewrites "https://<built-in host>" to "http://<override>", touching nothing after the host.
std::string RewriteHost(const std::string& url, const std::string& override) {
    auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos) return url;
    std::string scheme = url.substr(0, schemeEnd);
    std::size_t hostStart = schemeEnd + 3;
    std::size_t hostEnd = url.find_first_of("/?#", hostStart);
    if (hostEnd == std::string::npos) hostEnd = url.size();
    std::string host = url.substr(hostStart, hostEnd - hostStart);
    if (scheme == "https") scheme = "http";
    if (host == kBuiltInApiHost) host = override;
    return scheme + "://" + host + url.substr(hostEnd);
}

std::string ReadAll(W3Client& client) {
    std::string body;
    char chunk[1024];
    while (std::size_t got = client.ReadChunk(chunk))
        body.append(chunk, got);
    return body;
}

}  // namespace

std::string FinishApiUrl(const std::string& url, const ServerSettings& settings) {
    std::string finished = url;
    if (finished.find('?') == std::string::npos) {
        finished += '?';
    } else if (finished.back() != '?' && finished.back() != '&') {
        finished += '&';
    }
    if (!settings.apiHostOverride.empty()) {
        finished = RewriteHost(finished, settings.apiHostOverride);
    }
    finished += settings.commonQuery;
    WriteLog("%s", HideQueryValues(finished, {"access_token", "account"}).c_str());
    return finished;
}

std::string ApplyHostOverride(const std::string& url, const ServerSettings& settings) {
    return settings.apiHostOverride.empty() ? url : RewriteHost(url, settings.apiHostOverride);
}

std::string FinishApiUrl(const std::string& url) {
    return FinishApiUrl(url, ServerSettings::Current());
}

std::string HttpGetText(const std::string& url, const ServerSettings& settings) {
    assert(!platform::IsUiThread() && "requests block: run them in a pool step");
    W3Client client;
    client.SetCaFile(settings.caFile);
    client.ConnectUrl(FinishApiUrl(url, settings));
    client.Get(client.RequestPath());
    return ReadAll(client);
}

std::string HttpPostFields(const std::string& url, const std::map<std::string, std::string>& fields,
                           const ServerSettings& settings) {
    assert(!platform::IsUiThread() && "requests block: run them in a pool step");
    W3Client client;
    client.SetCaFile(settings.caFile);
    client.ConnectUrl(FinishApiUrl(url, settings));
    for (const auto& [name, value] : fields)
        client.AddPostArgument(name, value, name == "pic");
    if (!client.PostMultipart(client.RequestPath())) return {};
    return ReadAll(client);
}

std::string HttpGetText(const std::string& url) {
    return HttpGetText(url, ServerSettings::Current());
}

std::string HttpPostFields(const std::string& url,
                           const std::map<std::string, std::string>& fields) {
    return HttpPostFields(url, fields, ServerSettings::Current());
}

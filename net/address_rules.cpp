#include "net/address_rules.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// One part of a parsed URL; false when libcurl has none.
bool Part(CURLU* url, CURLUPart which, std::string& out) {
    char* text = nullptr;
    if (curl_url_get(url, which, &text, 0) != CURLUE_OK || !text) return false;
    out = text;
    curl_free(text);
    return true;
}

}  // namespace

bool IsLoopbackHost(std::string_view host) {
    if (SameIgnoringCase(host, "localhost")) return true;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        const std::string inner(host.substr(1, host.size() - 2));
        in6_addr v6{};
        return ::inet_pton(AF_INET6, inner.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
    }
    const std::string text(host);
    in_addr v4{};
    if (::inet_pton(AF_INET, text.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return ::inet_pton(AF_INET6, text.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

bool SchemeAndHostOf(const std::string& url, std::string& scheme, std::string& host) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return false;
    if (!Part(parsed.get(), CURLUPART_SCHEME, scheme) || !Part(parsed.get(), CURLUPART_HOST, host))
        return false;
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return true;
}

bool IsHttpsOrLoopback(const std::string& url) {
    std::string scheme;
    std::string host;
    if (!SchemeAndHostOf(url, scheme, host)) return false;
    return scheme == "https" || (scheme == "http" && IsLoopbackHost(host));
}

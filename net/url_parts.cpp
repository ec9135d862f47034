#include "net/url_parts.h"

#include <algorithm>
#include <cctype>

UrlParts SplitUrl(std::string_view url) {
    UrlParts parts;
    std::string_view rest = url;
    auto colon = rest.find(':');
    if (colon != std::string_view::npos && colon + 1 < rest.size() && rest[colon + 1] == '/') {
        parts.scheme = std::string(rest.substr(0, colon));
        std::transform(parts.scheme.begin(), parts.scheme.end(), parts.scheme.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        rest.remove_prefix(colon + 1);
        while (!rest.empty() && rest.front() == '/')
            rest.remove_prefix(1);
    } else {
        parts.scheme = "http";
    }
    auto slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    parts.pathAndQuery = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    auto at = authority.rfind('@');
    if (at != std::string_view::npos) {
        std::string_view credentials = authority.substr(0, at);
        auto split = credentials.find(':');
        parts.user = std::string(credentials.substr(0, split));
        if (split != std::string_view::npos)
            parts.password = std::string(credentials.substr(split + 1));
        authority.remove_prefix(at + 1);
    }
    parts.kind = parts.scheme == "https" ? UrlParts::kHttps
                 : parts.scheme == "ftp" ? UrlParts::kFtp
                                         : UrlParts::kHttp;
    parts.port = parts.kind == UrlParts::kHttps ? 443 : parts.kind == UrlParts::kFtp ? 21 : 80;
    auto portColon = authority.rfind(':');
    if (portColon != std::string_view::npos && portColon + 1 < authority.size() &&
        std::all_of(authority.begin() + static_cast<long>(portColon) + 1, authority.end(),
                    [](unsigned char c) { return std::isdigit(c); }) &&
        authority.size() - portColon - 1 <= 5) {
        parts.port = std::stoi(std::string(authority.substr(portColon + 1)));
        authority = authority.substr(0, portColon);
    }
    parts.host = std::string(authority);
    return parts;
}

std::string HideQueryValues(std::string_view url, std::initializer_list<std::string_view> names) {
    std::string out(url);
    auto query = out.find('?');
    if (query == std::string::npos) return out;
    std::size_t start = query + 1;
    while (start <= out.size()) {
        std::size_t end = out.find('&', start);
        if (end == std::string::npos) end = out.size();
        std::size_t equals = out.find('=', start);
        if (equals != std::string::npos && equals < end) {
            std::string_view name(out.data() + start, equals - start);
            if (std::find(names.begin(), names.end(), name) != names.end()) {
                out.replace(equals + 1, end - equals - 1, "***");
                end = equals + 4;
            }
        }
        start = end + 1;
    }
    return out;
}

#pragma once
// Splitting a URL into what a connection needs.

#include <string>
#include <string_view>

struct UrlParts {
    enum Kind { kFtp = 0, kHttp = 1, kHttps = 2 };

    std::string scheme;  // "http" when the URL names none
    std::string user;
    std::string password;
    std::string host;
    int port = 80;
    std::string pathAndQuery;  // from the first "/" after the host; "/" when there is none
    Kind kind = kHttp;
};

// The scheme is the text before the first ":" when "/" follows it; an optional "user:password@"
// comes next; the host runs to the next "/", with an optional ":port" at its end (otherwise 443
// for https, 21 for ftp, 80 for anything else).
UrlParts SplitUrl(std::string_view url);

// The URL with the values of the named query parameters replaced by "***".
std::string HideQueryValues(std::string_view url, std::initializer_list<std::string_view> names);

#include "conversation/page_links.h"

#include <QString>
#include <QUrl>

namespace {

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

// Characters an accepted address may hold: the unreserved and reserved characters of a URL and
// the percent sign, nothing that could end an attribute or open markup.
bool IsAddressChar(char c) {
    if (IsAsciiAlnum(c)) return true;
    switch (c) {
        case '-':
        case '.':
        case '_':
        case '~':
        case ':':
        case '/':
        case '?':
        case '#':
        case '[':
        case ']':
        case '@':
        case '!':
        case '$':
        case '&':
        case '(':
        case ')':
        case '*':
        case '+':
        case ',':
        case ';':
        case '=':
        case '%':
            return true;
        default:
            return false;
    }
}

std::string CardClickLink(int messageId) {
    return std::string(kLinkOrigin) + "/cardclick?id=" + std::to_string(messageId);
}

bool IsLinkHost(std::string_view host) {
    while (!host.empty() && host.back() == '.')
        host.remove_suffix(1);
    const std::string_view name = kLinkHost;
    return host.size() == name.size() && StartsWithNoCase(host, name);
}

std::string WebAddressOrEmpty(std::string_view address) {
    std::size_t schemeLength = 0;
    if (StartsWithNoCase(address, "http://")) {
        schemeLength = 7;
    } else if (StartsWithNoCase(address, "https://")) {
        schemeLength = 8;
    } else {
        return {};
    }
    for (char c : address) {
        if (!IsAddressChar(c)) return {};
    }
    std::string_view authority = address.substr(schemeLength);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    // Credentials before the host are refused: they only serve to disguise where a link leads.
    if (authority.find('@') != std::string_view::npos) return {};
    std::string_view host = authority.substr(0, authority.find(':'));
    if (host.empty() || IsLinkHost(host)) return {};
    for (char c : host) {
        if (!IsAsciiAlnum(c) && c != '.' && c != '-') return {};
    }
    if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5) return {};
        for (char c : port) {
            if (c < '0' || c > '9') return {};
        }
    }
    return std::string(address);
}

std::string LocalFileAddress(const std::string& path) {
    QString local = QString::fromStdString(path);
    if (path.empty() || !local.startsWith(QLatin1Char('/'))) return {};
    // "//name/..." is the same file as "/name/..." here, but a file address would read "name" as
    // the machine that holds it.
    while (local.startsWith(QStringLiteral("//")))
        local.remove(0, 1);
    return QUrl::fromLocalFile(local).toString(QUrl::FullyEncoded).toStdString();
}

bool IsSafePictureName(std::string_view name) {
    if (name.empty() || name.size() > 32) return false;
    for (char c : name) {
        if (!IsAsciiAlnum(c) && c != '_' && c != '-') return false;
    }
    return true;
}

#include "conversation/page_text.h"

#include <algorithm>

#include "conversation/page_links.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at `i`, or 0 when it is malformed.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000)) return 0;
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    return length;
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

constexpr std::string_view kEscapedAmpersand = "&#38;";

// Characters an address in escaped text runs over: those of an accepted address, except that an
// ampersand stands as its entity; the other entities (quotes, angle brackets) end the address.
bool IsRunChar(char c) {
    return c != '&' && IsAddressChar(c);
}

// The end of the address run that starts at `begin`.
std::size_t RunEnd(std::string_view text, std::size_t begin) {
    std::size_t end = begin;
    while (end < text.size()) {
        if (text.compare(end, kEscapedAmpersand.size(), kEscapedAmpersand) == 0) {
            end += kEscapedAmpersand.size();
        } else if (text[end] == '&') {
            break;  // another entity
        } else if (IsRunChar(text[end])) {
            ++end;
        } else {
            break;
        }
    }
    // Punctuation that closes a sentence is not part of the address.
    while (end > begin && std::string_view(".,;:!?)").find(text[end - 1]) != std::string_view::npos)
        --end;
    return end;
}

// The address the page may follow for the escaped run, or empty when the run stays text.
std::string RunTarget(std::string_view run, bool bareWww) {
    std::string address;
    address.reserve(run.size() + 7);
    if (bareWww) address = "http://";
    for (std::size_t i = 0; i < run.size();) {
        if (run.compare(i, kEscapedAmpersand.size(), kEscapedAmpersand) == 0) {
            address += '&';
            i += kEscapedAmpersand.size();
        } else {
            address += run[i++];
        }
    }
    const std::size_t schemeEnd = address.find("://");
    if (schemeEnd == std::string::npos || address.size() == schemeEnd + 3) return {};
    return WebAddressOrEmpty(address);
}

bool IsSafeId(std::string_view id) {
    if (id.empty() || id.size() > 64) return false;
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return IsAsciiAlnum(c) || c == '_' || c == '-'; });
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&#38;";
                break;
            case '<':
                out += "&#60;";
                break;
            case '>':
                out += "&#62;";
                break;
            case '"':
                out += "&#34;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string LinkEscapedText(std::string_view escaped, const std::vector<MentionName>& mentions) {
    // The mention texts as they stand in escaped text, longest first.
    struct Mention {
        std::string atName;
        const MentionName* member;
    };
    std::vector<Mention> names;
    for (const MentionName& mention : mentions) {
        if (mention.name.empty() || !IsSafeId(mention.qxid)) continue;
        names.push_back({"@" + EscapeHtml(mention.name), &mention});
    }
    std::stable_sort(names.begin(), names.end(), [](const Mention& a, const Mention& b) {
        return a.atName.size() > b.atName.size();
    });

    std::string out;
    out.reserve(escaped.size() + escaped.size() / 4);
    std::size_t i = 0;
    while (i < escaped.size()) {
        const bool wordStart = i == 0 || !IsAsciiAlnum(escaped[i - 1]);
        const bool web = wordStart && (StartsWithNoCase(escaped, i, "http://") ||
                                       StartsWithNoCase(escaped, i, "https://"));
        const bool bareWww = wordStart && !web && StartsWithNoCase(escaped, i, "www.");
        if (web || bareWww) {
            const std::size_t end = RunEnd(escaped, i);
            if (end == i) {
                out += escaped[i++];
                continue;
            }
            const std::string_view run = escaped.substr(i, end - i);
            const std::string target = RunTarget(run, bareWww);
            if (!target.empty()) {
                // The run holds only address characters and escaped ampersands, and the target
                // only address characters: neither can leave the attribute or the element.
                out += "<a href=\"";
                out += EscapeHtml(target);
                out += "\" target=\"_blank\">";
                out += run;
                out += "</a>";
            } else {
                out += run;
            }
            i = end;
            continue;
        }
        if (escaped[i] == '@') {
            const auto found = std::find_if(names.begin(), names.end(), [&](const Mention& m) {
                return escaped.compare(i, m.atName.size(), m.atName) == 0;
            });
            if (found != names.end()) {
                out += "<a href=\"";
                out += kMentionLinkPrefix;
                out += found->member->qxid;
                out += "\"><font color=#2f678c>";
                out += found->atName;
                out += "</font></a>";
                i += found->atName.size();
                continue;
            }
        }
        out += escaped[i++];
    }
    return out;
}

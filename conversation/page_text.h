#pragma once
// Message text made into markup for the conversation page. The text is escaped first, so that
// nothing a user wrote can open a tag or an attribute; links are then added around what the
// escaped text shows: web addresses, and the names of mentioned members.

#include <string>
#include <string_view>
#include <vector>

// The text as valid UTF-8: every malformed or overlong sequence, encoded surrogate or code point
// beyond U+10FFFF becomes U+FFFD.
std::string ValidUtf8(std::string_view text);

// Replaces & < > " ' by "&#38;" "&#60;" "&#62;" "&#34;" "&#39;".
std::string EscapeHtml(std::string_view text);

// A member named in a message: the user id and the name as the message writes it after "@".
struct MentionName {
    std::string qxid;
    std::string name;
};

// Escaped text with its links: addresses beginning "http://", "https://" (any letter case) or
// "www." become links that open in a new window; addresses that name the link host, carry
// credentials or a host that is not a plain name stay text. Outside addresses, every "@" followed
// by a mentioned name becomes the mention link of that member; where names overlap the longest
// wins. Members whose id holds anything but [0-9A-Za-z_-] are not linked.
std::string LinkEscapedText(std::string_view escaped, const std::vector<MentionName>& mentions);

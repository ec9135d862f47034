#pragma once
// Conversions between UTF-16 and UTF-8 text.

#include <string>
#include <string_view>

// Valid surrogate pairs become four bytes; a lone surrogate is written as its own three bytes.
std::string Utf16ToUtf8(std::u16string_view text);
// Malformed bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Number of characters (code points) of UTF-8 text.
std::size_t Utf8Length(std::string_view text);
// The first `characters` characters of UTF-8 text, never splitting one.
std::string_view Utf8Prefix(std::string_view text, std::size_t characters);

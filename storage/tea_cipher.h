#pragma once
// A TEA block cipher in a chained mode with random framing, keyed by 16 bytes, for protecting
// short texts stored in the settings file.

#include <optional>
#include <string>
#include <string_view>

// Encrypts `plain`; the result is a multiple of 8 bytes, at least 16.
std::string TeaEncrypt(std::string_view plain, std::string_view key16);
// Nothing when the input is not a multiple of 8, shorter than 16, or fails the framing check.
std::optional<std::string> TeaDecrypt(std::string_view cipher, std::string_view key16);

#pragma once
// Standard Base64 ("A"-"Z", "a"-"z", "0"-"9", "+", "/", "=" padding, no line breaks).

#include <optional>
#include <string>
#include <string_view>

std::string Base64Encode(std::string_view bytes);
// Nothing when the text holds other characters or is cut short.
std::optional<std::string> Base64Decode(std::string_view text);

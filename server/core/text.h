#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumeno::server {

// Decimal integer within 32 bits, nothing else (no spaces, no sign-only, no overflow).
std::optional<std::int32_t> ParseInt32(std::string_view text);

// Splits at the separator, trims spaces and drops empty pieces.
std::vector<std::string> SplitList(std::string_view text, char separator);

std::string JoinList(const std::vector<std::string>& pieces, std::string_view separator);

std::string Trim(std::string_view text);

bool IsValidUtf8(std::string_view text);

// Number of code points of valid UTF-8 text.
size_t CodePointCount(std::string_view text);

}  // namespace lumeno::server

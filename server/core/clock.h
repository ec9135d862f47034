#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumeno::server {

// Seconds since 1970 from the system clock.
std::int64_t SystemSeconds();

// The service writes every time as "YYYY-MM-DD HH:MM:SS" in local time.
std::string TimeText(std::int64_t seconds);

// Calendar year of a moment in local time.
int YearOf(std::int64_t seconds);

// Reads a time written by TimeText; anything else (including "0") gives nothing.
std::optional<std::int64_t> ParseTimeText(std::string_view text);

}  // namespace lumeno::server

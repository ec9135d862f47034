#include "server/core/clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace lumeno::server {

std::int64_t SystemSeconds() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::string TimeText(std::int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    localtime_r(&t, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

int YearOf(std::int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm parts{};
    localtime_r(&t, &parts);
    return parts.tm_year + 1900;
}

std::optional<std::int64_t> ParseTimeText(std::string_view text) {
    if (text.size() != 19) return std::nullopt;
    int fields[6];
    const int starts[6] = {0, 5, 8, 11, 14, 17};
    const int lengths[6] = {4, 2, 2, 2, 2, 2};
    const char separators[6] = {'-', '-', ' ', ':', ':', '\0'};
    for (int i = 0; i < 6; ++i) {
        int value = 0;
        for (int k = 0; k < lengths[i]; ++k) {
            char c = text[static_cast<size_t>(starts[i] + k)];
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        fields[i] = value;
        if (separators[i] != '\0' &&
            text[static_cast<size_t>(starts[i] + lengths[i])] != separators[i])
            return std::nullopt;
    }
    if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31 || fields[3] > 23 ||
        fields[4] > 59 || fields[5] > 60)
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = fields[0] - 1900;
    parts.tm_mon = fields[1] - 1;
    parts.tm_mday = fields[2];
    parts.tm_hour = fields[3];
    parts.tm_min = fields[4];
    parts.tm_sec = fields[5];
    parts.tm_isdst = -1;
    std::time_t t = std::mktime(&parts);
    if (t == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<std::int64_t>(t);
}

}  // namespace lumeno::server

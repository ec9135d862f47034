#include "api/display_time.h"

#include <cstdio>

namespace {

bool LocalTime(std::int64_t seconds, std::tm& out) {
    std::time_t time = static_cast<std::time_t>(seconds);
    return localtime_r(&time, &out) != nullptr;
}

}  // namespace

std::string WeekdayName(int weekday) {
    static const char* const kNames[] = {"周日", "周一", "周二", "周三", "周四", "周五", "周六"};
    return weekday >= 1 && weekday <= 7 ? kNames[weekday - 1] : kNames[1];
}

std::string FormatDisplayTime(std::int64_t timestamp, std::time_t now) {
    std::tm then{}, today{};
    const bool thenKnown = LocalTime(timestamp, then);
    const bool nowKnown = LocalTime(now, today);
    char text[32];
    if (then.tm_year != today.tm_year) {
        std::snprintf(text, sizeof text, "%d-%02d-%02d", then.tm_year + 1900, then.tm_mon + 1,
                      then.tm_mday);
        return text;
    }
    if (then.tm_mon != today.tm_mon) {
        std::snprintf(text, sizeof text, "%02d-%02d", then.tm_mon + 1, then.tm_mday);
        return text;
    }
    if (then.tm_mday == today.tm_mday) {
        std::snprintf(text, sizeof text, "%02d:%02d", then.tm_hour, then.tm_min);
        return text;
    }
    if ((static_cast<std::int64_t>(now) - timestamp) / 86400 <= 7) {
        const int weekdayNow = nowKnown ? today.tm_wday + 1 : 0;
        const int weekdayThen = thenKnown ? then.tm_wday + 1 : 0;
        if (weekdayNow - weekdayThen == 1 || (weekdayNow == 1 && weekdayThen == 7)) return "昨天";
        return WeekdayName(weekdayThen);
    }
    std::snprintf(text, sizeof text, "%02d日", then.tm_mday);
    return text;
}

std::string FormatDisplayTime(std::int64_t timestamp) {
    return FormatDisplayTime(timestamp, std::time(nullptr));
}

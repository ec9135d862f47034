#pragma once
// The short time label of a conversation's newest message.

#include <cstdint>
#include <ctime>
#include <string>

// Against `now` in local time: another year "2025-03-04"; another month "03-04"; the same day
// "09:05"; within the last week "昨天" or the weekday's name; otherwise the day "03日".
std::string FormatDisplayTime(std::int64_t timestamp, std::time_t now);
std::string FormatDisplayTime(std::int64_t timestamp);

// 1 Sunday to 7 Saturday; any other number gives Monday's name.
std::string WeekdayName(int weekday);

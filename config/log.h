#pragma once
// "Log.ini" in the data directory: one line per entry, always on, no levels. Each line starts
// with the local time and the process's entry number ("2026-12-09 10:11:12:0345_17 ").

#include <string>
#include <string_view>

// Appends one entry made from a printf-style format. The format must be a literal: text from
// outside (a URL, an answer) goes in as an argument ("%s"), never as the format.
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Appends one entry with `text` as its message.
void WriteLogText(std::string_view text);

// The full path of "Log.ini".
std::string LogFilePath();

// A log file larger than this is deleted before the first entry of a process.
constexpr long long kMaxLogFileSize = 5242880;
// The longest message, in characters; longer messages are cut.
constexpr std::size_t kMaxLogMessageLength = 10239;

#include "config/log.h"

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "platform/directories.h"
#include "platform/private_files.h"

namespace {

std::atomic<unsigned> g_entryNumber{0};

std::string CutMessage(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 &&
            characters++ == kMaxLogMessageLength) {
            return std::string(text.substr(0, i));
        }
    }
    return std::string(text);
}

std::string Prefix(unsigned number) {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    auto milliseconds = duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%04d-%02d-%02d %02d:%02d:%02d:%04d_%u ",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, static_cast<int>(milliseconds.count()), number);
    return prefix;
}

}  // namespace

std::string LogFilePath() {
    return platform::JoinPath(platform::DataDirectory(), "Log.ini");
}

void WriteLogText(std::string_view text) {
    static std::once_flag firstEntry;
    const std::string path = LogFilePath();
    std::call_once(firstEntry, [&path] {
        if (platform::FileSize(path) > kMaxLogFileSize) platform::RemoveFile(path);
    });
    std::string line = Prefix(++g_entryNumber);
    line += CutMessage(text);
    line += '\n';
    platform::AppendToPrivateFile(path, line);  // an entry that cannot be written is lost
}

void WriteLog(const char* format, ...) {
    char small[1024];
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    int needed = std::vsnprintf(small, sizeof small, format, arguments);
    va_end(arguments);
    if (needed < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<std::size_t>(needed) < sizeof small) {
        va_end(copy);
        WriteLogText(std::string_view(small, static_cast<std::size_t>(needed)));
        return;
    }
    std::string large(static_cast<std::size_t>(needed) + 1, '\0');
    std::vsnprintf(large.data(), large.size(), format, copy);
    va_end(copy);
    large.resize(static_cast<std::size_t>(needed));
    WriteLogText(large);
}

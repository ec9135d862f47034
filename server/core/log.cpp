#include "server/core/log.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "server/core/clock.h"

namespace lumeno::server {
namespace {

std::atomic<int> g_level{1};
std::mutex g_mutex;

void Write(std::string_view tag, std::string_view message) {
    std::string line = TimeText(SystemSeconds());
    line += ' ';
    line += tag;
    line += ' ';
    line += message;
    line += '\n';
    std::lock_guard<std::mutex> lock(g_mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void SetLogLevel(int level) {
    g_level = level;
}
int LogLevel() {
    return g_level;
}

void LogError(std::string_view message) {
    Write("error", message);
}

void LogInfo(std::string_view message) {
    if (g_level >= 1) Write("info", message);
}

void LogDebug(std::string_view message) {
    if (g_level >= 2) Write("debug", message);
}

}  // namespace lumeno::server

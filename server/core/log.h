#pragma once

#include <string_view>

namespace lumeno::server {

// 0 quiet (errors only), 1 normal (start-up and errors), 2 verbose (every request and push event).
void SetLogLevel(int level);
int LogLevel();

void LogError(std::string_view message);
void LogInfo(std::string_view message);
void LogDebug(std::string_view message);

}  // namespace lumeno::server

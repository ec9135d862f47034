#pragma once
// The text of Log.ini as the program has written it so far.

#include <fstream>
#include <sstream>
#include <string>

#include "config/log.h"

namespace lumeno::test {

inline std::string ReadLogFile() {
    std::ifstream in(LogFilePath(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace lumeno::test

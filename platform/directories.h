#pragma once
// Where the program and its data live.

#include <string>

namespace platform {

// The folder of the running executable; the skin directory is "skin" inside it.
const std::string& ProgramDirectory();
// "$XDG_DATA_HOME/Lumeno" (default "~/.local/share/Lumeno"), created private to the user (0700) on
// first use and kept for the life of the process.
const std::string& DataDirectory();
// "$XDG_RUNTIME_DIR" or a private folder under /tmp: for the single-instance lock and channel.
const std::string& RuntimeDirectory();

// Joins two path pieces with one '/'.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace platform

#pragma once
// Where the program and its data live.

#include <string>

namespace platform {

// The folder of the running executable.
const std::string& ProgramDirectory();
// The skin directory: "skin" beside the program (the build tree), else the installed one, found
// from the program's folder ("<prefix>/bin" -> "<prefix>/share/lumeno/skin"). When neither
// exists, the one beside the program, for the message that names it.
const std::string& ProgramSkinDirectory();
// A helper program of the client: beside it (the build tree), else in the installed helper
// folder ("<prefix>/libexec/lumeno"); the one beside when neither exists.
std::string HelperProgramPath(const std::string& name);
// "$XDG_DATA_HOME/Lumeno" (default "~/.local/share/Lumeno"), created private to the user (0700) on
// first use and kept for the life of the process.
const std::string& DataDirectory();
// The folder of the single-instance lock and channel: "$XDG_RUNTIME_DIR" when it is a folder of
// this user with mode 0700 (not a link), else such a folder under "$TMPDIR" (default /tmp),
// "lumeno-runtime-<uid>" or, when that name is taken by anything else, one of a random name made
// for the purpose. Empty when no private folder can be had: the client then runs without
// single-instance protection.
const std::string& RuntimeDirectory();

// Joins two path pieces with one '/'.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace platform

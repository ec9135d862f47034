#pragma once
// Starting with the desktop session: an XDG autostart entry "lumeno.desktop" in the user's
// autostart folder ($XDG_CONFIG_HOME/autostart, by default ~/.config/autostart) whose command
// starts the program with "/autostart". Turning it off removes the entry.

#include <string>

namespace autostart {

// The entry's full path, as the environment says now.
std::string EntryPath();
// On when the entry exists, is not hidden, and its command names a program file that exists.
bool IsOn();
// Writes the entry for `program` (turning on) or removes it (turning off). False, with the reason
// in `error`, when that could not be done; nothing else changes then.
bool Set(bool on, const std::string& program, std::string& error);
// The running program's full path.
std::string ProgramPath();

// The entry's text for `program`, and the program a command line starts (empty when the line
// cannot be read). Exposed for tests.
std::string EntryText(const std::string& program);
std::string ProgramOfExec(const std::string& exec);

}  // namespace autostart

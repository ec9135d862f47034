#pragma once
// What the desktop opens for us: web addresses in the user's browser, and programs started on
// their own.

#include <string>
#include <vector>

namespace platform {

// Opens an http or https address in the desktop's browser. Any other scheme (file:, javascript:,
// a program path) is refused: addresses come from the service and from messages. False when
// refused or when the desktop could not open it.
bool OpenWebAddress(const std::string& address);
// True for the addresses OpenWebAddress accepts.
bool IsWebAddress(const std::string& address);

// Opens a local file with the program the desktop has for its kind. False when it does not exist
// or the desktop could not open it.
bool OpenLocalFile(const std::string& path);

// Starts a program detached from this one (it outlives the client). False when it could not
// be started.
bool StartProgram(const std::string& path, const std::vector<std::string>& arguments = {});

}  // namespace platform

#pragma once
// What the reporter does with the report files.

#include <string>

namespace lumeno::crash {

// The text of a file; empty when it cannot be read.
std::string ReadReport(const std::string& path);

// Moves the small report into the dump folder, where it waits to be sent. False (and the report
// left where it is) when it could not be moved.
bool KeepForSending(const std::string& smallReport, const std::string& dumpFolder);

// Notes in the dump folder that the reporter was started, with its arguments one a line.
bool RecordStart(const std::string& dumpFolder, int argc, char** argv);

}  // namespace lumeno::crash

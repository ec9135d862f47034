#pragma once
// Turns the return addresses of a crash report into function names, in the reporter's own healthy
// process: the report's module table says where each file of the crashed program was loaded, and
// the files' symbol tables (and line tables, where the build kept them) say what lies there.

#include <string>

namespace lumeno::crash {

// `report` with every frame line ("  #3 0x...") followed by its function, offset, source line
// where known, and file name. Frames already named, and addresses outside every module, stay as
// they are. A report without a module table comes back unchanged.
std::string SymbolizeReport(const std::string& report);

// Symbolises the report file at `path` in place. False when it could not be read or written.
bool SymbolizeReportFile(const std::string& path);

}  // namespace lumeno::crash

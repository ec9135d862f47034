#pragma once
// Crash reporting. When a thread of the client dies of a fatal signal (SIGSEGV, SIGBUS, SIGFPE,
// SIGILL, SIGABRT) or an exception that nothing catches, the handler writes two text reports and
// starts the crash reporter (app/crash_reporter), which asks the user whether to send them; then
// the process ends by the same signal (SIGABRT for an uncaught exception).
//
// The full report goes to "Dump/lumeno_dump_f.dmp" in the data directory: the version, the time,
// the reason, the stack of every thread as return addresses, the program's module table and the
// last lines of "Log.ini" with passwords, tokens and message text blanked. The small report beside
// it in the data directory holds the same without the other threads and the log. Addresses are
// turned into function names and lines by the reporter, in a healthy process: the handler itself
// does only what is safe inside a signal handler (every path, buffer and argument is prepared at
// installation; files are written with `write`; the reporter is started with fork and execve).
// No memory image is ever written.

#include <string>

namespace lumeno::crash {

class CDbgHelper {
  public:
    // The one instance, built on first use: the report paths (the small one named after the time
    // of this call), the "Dump" folder, the reporter's path and arguments.
    static CDbgHelper& Instance();

    // Installs the fatal-signal handlers and the terminate handler for every thread of the
    // process. False when a handler could not be installed.
    static bool Install(CDbgHelper& instance);

    const std::string& FullReportPath() const { return fullReportPath_; }
    const std::string& SmallReportPath() const { return smallReportPath_; }
    const std::string& ReporterPath() const { return reporterPath_; }

  private:
    CDbgHelper();

    std::string fullReportPath_;
    std::string smallReportPath_;
    std::string reporterPath_;
};

}  // namespace lumeno::crash

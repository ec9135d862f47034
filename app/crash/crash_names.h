#pragma once
// The names the crashed client and the crash reporter agree on.

namespace lumeno::crash {

// The crash reporter, beside the client in the build tree and in the installed helper folder
// otherwise (platform::HelperProgramPath). It is started with the full report's path and the small
// report's path as its two arguments.
inline constexpr char kReporterProgram[] = "lumeno-crash-reporter";
// The folder of the data directory that holds the full report (one file, overwritten by each
// crash) and the reports the user chose to keep for sending.
inline constexpr char kDumpFolder[] = "Dump";
inline constexpr char kFullReportName[] = "lumeno_dump_f.dmp";
// The small report in the data directory: version, then month, day, hour, minute and second of
// the start of the run, then the milliseconds since boot at that moment.
inline constexpr char kSmallReportPattern[] = "lumeno_dump_s_%s_%02d%02d%02d%02d%02d_%u.dmp";

// The reporter's window.
inline constexpr char kReporterCaption[] = "Lumeno出现错误";
inline constexpr char kReporterQuestion[] = "Lumeno出现异常，是否发送错误报告？";

// Set to "record" for the reporter, it symbolises the reports, notes its start in the dump folder
// (kReporterStartedName) and leaves without a window: for the tests of the crash path.
inline constexpr char kReporterModeVariable[] = "LUMENO_CRASH_REPORTER_MODE";
inline constexpr char kReporterStartedName[] = "reporter-started.txt";

// The report's layout, which the reporter reads back: a frame line, the module table's heading.
inline constexpr char kFramePrefix[] = "  #";
inline constexpr char kModulesHeading[] = "modules:";

}  // namespace lumeno::crash

#pragma once
// The hidden switch that makes the client crash on purpose once its loop runs, so that the crash
// path can be tested against the real program:
//   --crash-test=pool-null  a write through a null pointer on a pool thread (SIGSEGV)
//   --crash-test=ui-throw   an exception that nothing catches, on the UI thread (SIGABRT)
//   --crash-test=ui-overflow  a stack overflow on the UI thread (SIGSEGV, reported from the
//                           handler's own stack)
// Anything else after "--crash-test=" is ignored.

namespace lumeno::crash {

// Looks for the switch and, when present, arms the crash to happen from the event loop.
void ArmCrashTest(int argc, char** argv);

}  // namespace lumeno::crash

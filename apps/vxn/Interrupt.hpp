// Ctrl-C in vxn: the first SIGINT asks the running command to stop after the
// exchange in progress, so the instrument is left between two commands and
// what was finished is kept (printed, written to the CGATS file); the command
// then exits with EXIT_INTERRUPTED. A second SIGINT ends the program at once.
#pragma once

#include <csignal>

namespace vxn {

// Installs the handler (once, before a command runs).
void CatchInterrupt();
// Whether the user asked to stop.
bool Interrupted();
// The flag itself, for code that waits on a terminal read (a prompt answered
// Cancel when Ctrl-C arrives).
const volatile std::sig_atomic_t* InterruptFlag();

} // namespace vxn

#pragma once

namespace ostravel::service {

// Blocks SIGTERM and SIGINT in the calling thread, so that every thread it starts afterwards
// has them blocked too and they are left to WaitForTerminationSignal. Call it first in main.
void BlockTerminationSignals();

// Blocks the calling thread until SIGTERM or SIGINT arrives and returns the signal. The
// signals are blocked first (see above) and taken with sigwait, so the stop runs as ordinary
// code on this thread rather than inside a signal handler.
int WaitForTerminationSignal();

}  // namespace ostravel::service

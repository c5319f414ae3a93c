#pragma once

#include <csignal>

namespace ostravel::service {

// Blocks SIGTERM and SIGINT in the calling thread, so that every thread it starts afterwards
// has them blocked too and they are left to WaitForTerminationSignal. Call it first in main.
void BlockTerminationSignals();

// Blocks the calling thread until SIGTERM or SIGINT arrives and returns the signal. The
// signals are blocked first (see above) and taken with sigwait, so the stop runs as ordinary
// code on this thread rather than inside a signal handler.
int WaitForTerminationSignal();

// Sends the process SIGTERM, so that the thread in WaitForTerminationSignal stops it as an
// admin's signal would; for a fault found on another thread.
void RequestTermination();

// Blocks SIGTERM and SIGINT in this thread while it lives, for the threads started meanwhile
// (they keep the mask), then restores the thread's mask: a library's worker threads never
// take the signals, whatever the caller's main did.
class TerminationSignalsBlocked {
 public:
  TerminationSignalsBlocked();
  ~TerminationSignalsBlocked();
  TerminationSignalsBlocked(const TerminationSignalsBlocked&) = delete;
  TerminationSignalsBlocked& operator=(const TerminationSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace ostravel::service

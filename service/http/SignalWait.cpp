#include "service/http/SignalWait.h"

#include <pthread.h>
#include <unistd.h>

namespace ostravel::service {
namespace {

sigset_t TerminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  return signals;
}

}  // namespace

void BlockTerminationSignals() {
  const sigset_t signals = TerminationSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

int WaitForTerminationSignal() {
  BlockTerminationSignals();
  const sigset_t signals = TerminationSignals();
  int signal = 0;
  while (sigwait(&signals, &signal) != 0) {
  }
  return signal;
}

void RequestTermination() {
  kill(getpid(), SIGTERM);
}

TerminationSignalsBlocked::TerminationSignalsBlocked() {
  const sigset_t signals = TerminationSignals();
  pthread_sigmask(SIG_BLOCK, &signals, &previous_);
}

TerminationSignalsBlocked::~TerminationSignalsBlocked() {
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace ostravel::service

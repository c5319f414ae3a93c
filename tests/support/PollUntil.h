#pragma once

#include <chrono>
#include <cstdlib>
#include <functional>

#include "platform/EventLoop.h"

namespace ostravel::test {

// How long a test waits for something a real part does: `usual` times OSTRAVEL_TEST_TIME_SCALE
// (a whole number, 1 when unset), which a run under an emulator sets once for every test.
inline std::chrono::milliseconds Patience(std::chrono::milliseconds usual) {
  const char* scale = std::getenv("OSTRAVEL_TEST_TIME_SCALE");
  const long factor = scale ? std::strtol(scale, nullptr, 10) : 1;
  return factor > 1 ? usual * factor : usual;
}

// Runs the loop until `done`, asking it every few milliseconds. For what a test watches beside
// the loop (its own end of a socket, a flag set on the socket thread), which wakes no handler:
// EventLoop::RunUntil asks again only after the loop has run something. `timeout` is lengthened
// by Patience.
inline bool PollUntil(platform::EventLoop& loop, const std::function<bool()>& done,
                      std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + Patience(timeout);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    loop.RunFor(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace ostravel::test

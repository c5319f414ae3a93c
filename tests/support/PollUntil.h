#pragma once

#include <chrono>
#include <functional>

#include "platform/EventLoop.h"

namespace ostravel::test {

// Runs the loop until `done`, asking it every few milliseconds. For what a test watches beside
// the loop (its own end of a socket, a flag set on the socket thread), which wakes no handler:
// EventLoop::RunUntil asks again only after the loop has run something.
inline bool PollUntil(platform::EventLoop& loop, const std::function<bool()>& done,
                      std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    loop.RunFor(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace ostravel::test

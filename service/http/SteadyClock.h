#pragma once

#include <chrono>
#include <cstdint>

namespace ostravel::service {

// Milliseconds on the clock that never jumps, for time-outs and durations.
inline std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace ostravel::service

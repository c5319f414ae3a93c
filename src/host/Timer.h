#pragma once

#include <cstdint>

#include "host/Signal.h"

namespace ostravel::host {

// A repeating timer that ticks on the user-interface thread. Destroying it stops it: no tick
// arrives afterwards.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void Start(std::int32_t interval_ms) = 0;
  virtual void Stop() = 0;
  virtual bool Running() const = 0;
  Signal<Timer& /*Source*/> Timeout;
};

}  // namespace ostravel::host

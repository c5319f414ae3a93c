#pragma once

#include <cstdint>
#include <memory>

#include "platform/DateTime.h"

namespace ostravel::platform {

// The local date and time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime LocalNow() const = 0;
  // Milliseconds from an arbitrary start that never jumps (for intervals, not for dates).
  virtual std::int64_t MonotonicMs() const = 0;

  // The system's clock in its local time zone.
  static std::unique_ptr<Clock> System();
};

}  // namespace ostravel::platform

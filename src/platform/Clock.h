#pragma once

#include <memory>

#include "platform/DateTime.h"

namespace ostravel::platform {

// The local date and time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime LocalNow() const = 0;

  // The system's clock in its local time zone.
  static std::unique_ptr<Clock> System();
};

}  // namespace ostravel::platform

#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace ostravel::platform {
namespace {

class SystemClock final : public Clock {
 public:
  DateTime LocalNow() const override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
  }

  std::int64_t MonotonicMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};

}  // namespace

std::unique_ptr<Clock> Clock::System() {
  return std::make_unique<SystemClock>();
}

}  // namespace ostravel::platform

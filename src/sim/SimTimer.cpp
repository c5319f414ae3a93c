#include "sim/SimTimer.h"

#include <algorithm>

#include "sim/SimErrors.h"

namespace ostravel::sim {
namespace {

// The system's timers never tick faster than this, whatever interval they were given.
constexpr std::chrono::milliseconds kMinimumInterval(10);

}  // namespace

SimTimer::SimTimer(platform::EventLoop& loop)
    : self_(std::make_shared<SimTimer*>(this)), timer_(loop.CreateTimer()) {}

SimTimer::~SimTimer() {
  *self_ = nullptr;  // a handle that a caller holds locked now sees the timer gone
}

void SimTimer::Start(std::int32_t interval_ms) {
  if (interval_ms < 0) ThrowInvalidArg("DecalPlugins.Timer");
  interval_ms_ = interval_ms;
  running_ = true;
  expiry_ = std::chrono::steady_clock::now();
  Wait();
}

void SimTimer::Stop() {
  running_ = false;
  timer_->Cancel();
}

std::shared_ptr<SimTimer* const> SimTimer::Resolve(const Handle& handle) {
  auto alive = handle.lock();
  return alive && *alive ? alive : nullptr;
}

void SimTimer::Tick() {
  Timeout.Emit(*this);
}

void SimTimer::Wait() {
  // Counted from the last expiry so ticks keep their pace, but never in the past, so a slow
  // handler causes one late tick rather than a burst.
  const auto now = std::chrono::steady_clock::now();
  expiry_ =
      std::max(expiry_ + std::max(kMinimumInterval, std::chrono::milliseconds(interval_ms_)), now);
  timer_->Start(std::chrono::ceil<std::chrono::milliseconds>(expiry_ - now), [this] {
    // The next wait starts before the handlers run, so a handler's Stop or Start wins.
    Wait();
    Tick();
  });
}

}  // namespace ostravel::sim

#include "sim/SimTimer.h"

#include <algorithm>
#include <chrono>

#include "sim/SimErrors.h"

namespace ostravel::sim {
namespace {

// The system's timers never tick faster than this, whatever interval they were given.
constexpr std::chrono::milliseconds kMinimumInterval(10);

}  // namespace

SimTimer::SimTimer(asio::io_context& context)
    : self_(std::make_shared<SimTimer*>(this)), timer_(context) {}

SimTimer::~SimTimer() {
  *self_ = nullptr;  // a handle that a caller holds locked now sees the timer gone
}

void SimTimer::Start(std::int32_t interval_ms) {
  if (interval_ms < 0) ThrowInvalidArg("DecalPlugins.Timer");
  interval_ms_ = interval_ms;
  running_ = true;
  ++generation_;
  // Setting the expiry also cancels the wait of an earlier Start.
  timer_.expires_after(std::max(kMinimumInterval, std::chrono::milliseconds(interval_ms)));
  Wait();
}

void SimTimer::Stop() {
  running_ = false;
  ++generation_;
  timer_.cancel();
}

std::shared_ptr<SimTimer* const> SimTimer::Resolve(const Handle& handle) {
  auto alive = handle.lock();
  return alive && *alive ? alive : nullptr;
}

void SimTimer::Tick() {
  Timeout.Emit(*this);
}

void SimTimer::Wait() {
  timer_.async_wait([handle = GetHandle(), generation = generation_](const asio::error_code&) {
    const auto alive = Resolve(handle);
    if (!alive) return;
    SimTimer& timer = **alive;
    // A wait that Stop or a later Start cancelled still completes; it must not tick.
    if (timer.generation_ != generation || !timer.running_) return;
    // The next wait starts before the handlers run, so a handler's Stop or Start wins.
    timer.ScheduleNext();
    timer.Tick();
  });
}

void SimTimer::ScheduleNext() {
  // Counted from the last expiry so ticks keep their pace, but never in the past, so a slow
  // handler causes one late tick rather than a burst.
  const auto interval = std::max(kMinimumInterval, std::chrono::milliseconds(interval_ms_));
  timer_.expires_at(std::max(timer_.expiry() + interval, asio::steady_timer::clock_type::now()));
  Wait();
}

}  // namespace ostravel::sim

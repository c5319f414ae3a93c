#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "host/Timer.h"
#include "platform/EventLoop.h"

namespace ostravel::sim {

// A host timer on the loop. The loop's timer is a member, so no wait outlives this timer, and
// every Start or Stop outdates the wait before it: no tick arrives after Stop() or destruction.
class SimTimer final : public host::Timer {
 public:
  // Refers to the timer while it exists, and to nullptr once it is destroyed.
  using Handle = std::weak_ptr<SimTimer* const>;

  explicit SimTimer(platform::EventLoop& loop);
  ~SimTimer() override;
  SimTimer(const SimTimer&) = delete;
  SimTimer& operator=(const SimTimer&) = delete;

  // Starts ticking every `interval_ms` (restarting a running timer); throws Error when negative.
  void Start(std::int32_t interval_ms) override;
  // No tick arrives after this until the next Start.
  void Stop() override;
  bool Running() const override { return running_; }

  // The interval of the last Start.
  std::int32_t Interval() const { return interval_ms_; }
  // A handle for those that must not keep the timer alive (the host, pending waits).
  Handle GetHandle() const { return self_; }
  // The timer behind a handle, or nullptr when it is gone. The pointed-to value turns nullptr
  // if the timer is destroyed while the result is held, so check it again after a tick.
  static std::shared_ptr<SimTimer* const> Resolve(const Handle& handle);
  // Raises one tick now, as the host does when the interval has passed.
  void Tick();

 private:
  void Wait();

  std::shared_ptr<SimTimer*> self_;
  std::unique_ptr<platform::LoopTimer> timer_;
  std::chrono::steady_clock::time_point expiry_;
  std::int32_t interval_ms_ = 0;
  bool running_ = false;
};

}  // namespace ostravel::sim

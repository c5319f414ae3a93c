#pragma once

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>
#include <memory>

#include "plugin/host/Timer.h"

namespace ostravel::sim {

// A host timer on the asio loop. Pending waits reach the timer only through a handle that
// the destructor clears, and every Start or Stop outdates the waits before it, so no tick
// arrives after Stop() or destruction.
class SimTimer final : public host::Timer {
 public:
  // Refers to the timer while it exists, and to nullptr once it is destroyed.
  using Handle = std::weak_ptr<SimTimer* const>;

  explicit SimTimer(asio::io_context& context);
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
  void ScheduleNext();

  std::shared_ptr<SimTimer*> self_;
  asio::steady_timer timer_;
  std::int32_t interval_ms_ = 0;
  bool running_ = false;
  std::uint64_t generation_ = 0;  // outdates the waits of earlier Starts
};

}  // namespace ostravel::sim

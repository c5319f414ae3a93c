#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

// Only the files that do socket I/O need asio itself; the many that only post to the loop
// need not parse it.
namespace asio {
class io_context;
}

namespace ostravel::platform {

// A one-shot timer of the loop. Its work runs on the loop's thread; Cancel, a new Start or
// destroying the timer means the work of an earlier Start never runs.
class LoopTimer {
 public:
  virtual ~LoopTimer() = default;
  virtual void Start(std::chrono::milliseconds delay, std::function<void()> work) = 0;
  virtual void Cancel() = 0;
};

// The host's user-interface thread. Every event, timer tick and asynchronous completion of the
// plug-in runs on it, one at a time. On Linux it is one single-threaded asio loop; in the
// Windows DLL it is the host's thread, woken through a message-only window.
class EventLoop {
 public:
  EventLoop();
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Queues work to run on the loop; safe to call from any thread.
  void Post(std::function<void()> work);

  // A timer whose work runs on the loop.
  std::unique_ptr<LoopTimer> CreateTimer();

  // Where sockets do their I/O. On Linux the loop itself; on Windows a context that runs on a
  // worker thread of its own, so socket handlers must Post their results to the loop.
  asio::io_context& IoContext();

  // Runs ready handlers without waiting.
  void Poll();
  // Runs handlers for the given time.
  void RunFor(std::chrono::milliseconds duration);
  // Runs handlers until `done` returns true or the time is up; returns `done()`. The loop sleeps
  // between handlers and asks `done` after each, so whatever `done` waits for must come through
  // the loop (a handler, or a Post from the thread that changes it).
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

#ifdef _WIN32
  // Messages the loop's window has handled (wake-ups for posted work and timer ticks): an idle
  // loop adds none, and work posted in a burst adds one.
  std::uint64_t WakeUpCount() const;
#endif

  // The platform's own state (public only so that its window procedure can reach it).
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel::platform

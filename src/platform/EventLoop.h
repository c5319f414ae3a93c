#pragma once

#include <asio/io_context.hpp>
#include <chrono>
#include <functional>

namespace ostravel::platform {

// The host's user-interface thread: one single-threaded asio loop. Every event, timer tick and
// asynchronous completion of the plug-in runs on it, one at a time.
class EventLoop {
 public:
  EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  asio::io_context& Context() { return context_; }

  // Queues work to run on the loop; safe to call from any thread.
  void Post(std::function<void()> work);

  // Runs ready handlers without waiting.
  void Poll();
  // Runs handlers for the given time.
  void RunFor(std::chrono::milliseconds duration);
  // Runs handlers until `done` returns true or the time is up; returns `done()`.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

 private:
  asio::io_context context_{1};
};

}  // namespace ostravel::platform

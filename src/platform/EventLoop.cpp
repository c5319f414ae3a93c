#include "platform/EventLoop.h"

#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>

namespace ostravel::platform {

EventLoop::EventLoop() = default;

void EventLoop::Post(std::function<void()> work) {
  asio::post(context_, std::move(work));
}

void EventLoop::Poll() {
  context_.restart();
  context_.poll();
}

void EventLoop::RunFor(std::chrono::milliseconds duration) {
  // A timer keeps the loop from returning early when it has nothing else to do.
  asio::steady_timer until(context_, duration);
  until.async_wait([](const asio::error_code&) {});
  context_.restart();
  context_.run_for(duration);
  until.cancel();
  context_.poll();
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return done();
    RunFor(std::min<std::chrono::milliseconds>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
        std::chrono::milliseconds(10)));
  }
  return true;
}

}  // namespace ostravel::platform

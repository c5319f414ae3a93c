#include "platform/EventLoop.h"

#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <memory>

namespace ostravel::platform {
namespace {

class AsioLoopTimer final : public LoopTimer {
 public:
  explicit AsioLoopTimer(asio::io_context& context) : timer_(context) {}
  ~AsioLoopTimer() override { Cancel(); }

  void Start(std::chrono::milliseconds delay, std::function<void()> work) override {
    const auto generation = ++generation_;
    timer_.expires_after(delay);
    timer_.async_wait([alive = std::weak_ptr<AsioLoopTimer*>(self_), generation,
                       work = std::move(work)](const asio::error_code&) {
      const auto self = alive.lock();
      // A wait that Cancel or a later Start outdated still completes; it must not run.
      if (!self || (*self)->generation_ != generation) return;
      work();
    });
  }

  void Cancel() override {
    ++generation_;
    timer_.cancel();
  }

 private:
  std::shared_ptr<AsioLoopTimer*> self_ = std::make_shared<AsioLoopTimer*>(this);
  asio::steady_timer timer_;
  std::uint64_t generation_ = 0;
};

}  // namespace

struct EventLoop::Impl {
  asio::io_context context{1};
};

EventLoop::EventLoop() : impl_(std::make_unique<Impl>()) {}
EventLoop::~EventLoop() = default;

void EventLoop::Post(std::function<void()> work) {
  asio::post(impl_->context, std::move(work));
}

std::unique_ptr<LoopTimer> EventLoop::CreateTimer() {
  return std::make_unique<AsioLoopTimer>(impl_->context);
}

asio::io_context& EventLoop::IoContext() {
  return impl_->context;
}

void EventLoop::Poll() {
  impl_->context.restart();
  impl_->context.poll();
}

void EventLoop::RunFor(std::chrono::milliseconds duration) {
  auto& context = impl_->context;
  // A timer keeps the loop from returning early when it has nothing else to do.
  asio::steady_timer until(context, duration);
  until.async_wait([](const asio::error_code&) {});
  context.restart();
  context.run_for(duration);
  until.cancel();
  context.poll();
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  if (done()) return true;
  auto& context = impl_->context;
  context.restart();
  // The loop sleeps until its next handler (a timer, I/O, posted work) or the deadline, and
  // `done` is asked after each: an idle loop wakes only for its own timers.
  const auto expired = std::make_shared<bool>(false);
  asio::steady_timer until(context, timeout);
  until.async_wait([expired](const asio::error_code& error) {
    if (!error) *expired = true;
  });
  while (!*expired) {
    if (context.run_one() == 0) break;
    if (done()) return true;
  }
  return done();
}

}  // namespace ostravel::platform

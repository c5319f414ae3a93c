#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/EventLoop.h"
#include "support/PollUntil.h"

namespace ostravel::platform {
namespace {

using namespace std::chrono_literals;

TEST(EventLoopTest, WorkPostedFromAnotherThreadRunsOnTheLoopInOrderAndMayThrow) {
  EventLoop loop;
  const auto loop_thread = std::this_thread::get_id();
  std::vector<int> seen;
  bool on_loop_thread = true;
  std::thread poster([&] {
    for (int i = 0; i < 1000; ++i) {
      loop.Post([&, i] {
        on_loop_thread = on_loop_thread && std::this_thread::get_id() == loop_thread;
        seen.push_back(i);
      });
    }
  });
  poster.join();
  EXPECT_TRUE(seen.empty());  // nothing runs before the loop does
  EXPECT_TRUE(loop.RunUntil([&] { return seen.size() == 1000; }, 5s));
  EXPECT_TRUE(on_loop_thread);
  for (int i = 0; i < static_cast<int>(seen.size()); ++i) ASSERT_EQ(seen[i], i);

  // An exception from work reaches the caller that runs the loop, which goes on afterwards.
  loop.Post([] { throw std::runtime_error("broken"); });
  EXPECT_THROW(loop.Poll(), std::runtime_error);
  bool later = false;
  loop.Post([&] { later = true; });
  loop.Poll();
  EXPECT_TRUE(later);
}

TEST(EventLoopTest, TimersFireInDeadlineOrderOnceAndNotAfterCancel) {
  EventLoop loop;
  std::string order;
  auto slow = loop.CreateTimer();
  auto fast = loop.CreateTimer();
  auto cancelled = loop.CreateTimer();
  auto restarted = loop.CreateTimer();
  auto destroyed = loop.CreateTimer();
  // The deadlines are steps apart that starting all five timers takes far less than, also under
  // an emulator, which lengthens the step.
  const auto step = test::Patience(10ms);
  slow->Start(12 * step, [&] { order += "slow "; });
  fast->Start(3 * step, [&] { order += "fast "; });
  cancelled->Start(step, [&] { order += "cancelled "; });
  cancelled->Cancel();
  restarted->Start(2 * step, [&] { order += "first-start "; });
  restarted->Start(6 * step, [&] { order += "restarted "; });  // outdates the first
  destroyed->Start(step, [&] { order += "destroyed "; });
  destroyed.reset();
  loop.RunFor(40 * step);
  EXPECT_EQ(order, "fast restarted slow ");

  // A timer may start again from its own work, as a retry does.
  int ticks = 0;
  std::function<void()> tick = [&] {
    if (++ticks < 3) fast->Start(step, tick);
  };
  fast->Start(step, tick);
  EXPECT_TRUE(loop.RunUntil([&] { return ticks == 3; }, 200 * step));
  loop.RunFor(10 * step);
  EXPECT_EQ(ticks, 3);
}

TEST(EventLoopTest, RunUntilAndRunForKeepTheirTime) {
  EventLoop loop;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 50ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
  EXPECT_TRUE(loop.RunUntil([] { return true; }, 0ms));
  // Work that is ready runs even in no time at all.
  bool ran = false;
  loop.Post([&] { ran = true; });
  loop.RunFor(0ms);
  EXPECT_TRUE(ran);
  // Waiting for nothing still waits: an empty loop does not return early.
  const auto before = std::chrono::steady_clock::now();
  loop.RunFor(30ms);
  EXPECT_GE(std::chrono::steady_clock::now() - before, 30ms);
}

// An idle workbench waits in RunUntil for the next line; the loop must sleep until there is
// something to do rather than wake to ask again.
TEST(EventLoopTest, RunUntilAsksAgainOnlyWhenTheLoopHasRunSomething) {
  EventLoop loop;
  int asked = 0;
  EXPECT_FALSE(loop.RunUntil([&] { return ++asked, false; }, 300ms));
  EXPECT_LE(asked, 3);

  auto timer = loop.CreateTimer();
  int ticks = 0;
  std::function<void()> tick = [&] {
    ++ticks;
    timer->Start(50ms, tick);
  };
  timer->Start(50ms, tick);
  asked = 0;
  EXPECT_FALSE(loop.RunUntil([&] { return ++asked, false; }, 300ms));
  EXPECT_GE(ticks, 1);
  EXPECT_LE(asked, ticks + 3);
}

#ifdef _WIN32
// The Windows loop is the constructing thread's message queue, woken only when there is work.
TEST(EventLoopTest, ABurstOfPostsWakesTheLoopOnceAndAnIdleLoopNotAtAll) {
  EventLoop loop;
  auto distant = loop.CreateTimer();
  distant->Start(1h, [] {});
  loop.RunFor(50ms);
  const auto before = loop.WakeUpCount();
  loop.RunFor(300ms);
  EXPECT_EQ(loop.WakeUpCount(), before);  // a pending timer far off wakes nobody

  int ran = 0;
  for (int i = 0; i < 50; ++i) loop.Post([&] { ++ran; });
  loop.Poll();
  EXPECT_EQ(ran, 50);
  EXPECT_EQ(loop.WakeUpCount(), before + 1);
}

TEST(EventLoopTest, WorkQueuedWhenTheLoopIsDestroyedNeverRuns) {
  std::atomic<bool> ran = false;
  std::unique_ptr<LoopTimer> orphan;
  {
    EventLoop loop;
    loop.Post([&] { ran = true; });
    orphan = loop.CreateTimer();
    orphan->Start(0ms, [&] { ran = true; });
  }
  // What the thread's queue still holds for the destroyed window is dropped.
  EventLoop next;
  next.RunFor(100ms);
  orphan->Start(0ms, [&] { ran = true; });  // a timer that outlived its loop is inert
  next.RunFor(50ms);
  orphan.reset();
  EXPECT_FALSE(ran);
}
#endif

}  // namespace
}  // namespace ostravel::platform

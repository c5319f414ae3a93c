#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/EventLoop.h"

namespace ostravel::platform {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

TEST(EventLoopTest, WorkPostedFromAnotherThreadRunsOnTheLoopInOrder) {
  EventLoop loop;
  std::vector<int> ran;
  std::vector<std::thread::id> threads;
  std::thread poster([&] {
    for (int i = 1; i <= 3; ++i) {
      loop.Post([&, i] {
        ran.push_back(i);
        threads.push_back(std::this_thread::get_id());
      });
    }
  });
  poster.join();
  EXPECT_TRUE(ran.empty());  // nothing runs before the loop does
  loop.Poll();
  EXPECT_THAT(ran, ElementsAre(1, 2, 3));
  EXPECT_THAT(threads, ElementsAre(std::this_thread::get_id(), std::this_thread::get_id(),
                                   std::this_thread::get_id()));
}

TEST(EventLoopTest, ATimerRunsItsLatestWorkOnceAndNothingAfterCancelOrDestruction) {
  EventLoop loop;
  std::vector<std::string> ran;
  auto timer = loop.CreateTimer();
  timer->Start(5ms, [&] { ran.push_back("first"); });
  timer->Start(10ms, [&] { ran.push_back("second"); });  // outdates the first
  EXPECT_TRUE(loop.RunUntil([&] { return !ran.empty(); }, 2s));
  loop.RunFor(30ms);
  EXPECT_THAT(ran, ElementsAre("second"));

  timer->Start(5ms, [&] { ran.push_back("cancelled"); });
  timer->Cancel();
  auto gone = loop.CreateTimer();
  gone->Start(5ms, [&] { ran.push_back("destroyed"); });
  gone.reset();
  loop.RunFor(40ms);
  EXPECT_THAT(ran, ElementsAre("second"));

  // Work may start its own timer again, as a retry does.
  int ticks = 0;
  std::function<void()> tick = [&] {
    if (++ticks < 3) timer->Start(1ms, tick);
  };
  timer->Start(1ms, tick);
  EXPECT_TRUE(loop.RunUntil([&] { return ticks == 3; }, 2s));
}

TEST(EventLoopTest, RunUntilGivesUpAtItsTimeLimit) {
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

}  // namespace
}  // namespace ostravel::platform

#include <gtest/gtest.h>

#include "com/plugin/ComTimer.h"
#include "support/ComFakes.h"

namespace ostravel::com {
namespace {

TEST(ComTimerTest, TicksUntilTheAdapterGoesThenNeverAgain) {
  auto fake = MakeComObject<test::FakeTimer>();
  int ticks = 0;
  {
    ComTimer timer(fake);
    auto connection = timer.Timeout.Connect([&](host::Timer& source) {
      EXPECT_EQ(&source, &timer);
      ++ticks;
    });
    timer.Start(100);
    EXPECT_TRUE(timer.Running());
    EXPECT_EQ(fake->interval_ms, 100);
    fake->Tick();
    fake->Tick();
  }
  EXPECT_EQ(ticks, 2);
  // The host keeps its timer, but it was stopped and no sink is left on it.
  EXPECT_FALSE(fake->running);
  EXPECT_EQ(fake->events.Count(), 0u);
  fake->Tick();
  EXPECT_EQ(ticks, 2);
}

}  // namespace
}  // namespace ostravel::com

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/PluginHarness.h"
#include "web/PostTimer.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;

class PostTimerTest : public ::testing::Test {
 protected:
  PostTimerTest() {
    harness.env.WriteSettings("<ostravel/>");
    harness.Initialize();
    harness.State().UpdateTicks = 29;
  }

  PostTimer::Pages Recording() {
    return {.auto_update_checked = [this] { return auto_update; },
            .update =
                [this] {
                  calls.push_back("update");
                  harness.State().UpdateTicks = 1;
                },
            .refresh_members = [this] { calls.push_back("members"); },
            .refresh_groups = [this] { calls.push_back("groups"); },
            .message_trigger = [this] { calls.push_back("messages"); },
            .refresh_quests = [this] { calls.push_back("quests"); }};
  }

  int Updates() const { return static_cast<int>(std::count(calls.begin(), calls.end(), "update")); }

  test::PluginHarness harness;
  bool auto_update = true;
  std::vector<std::string> calls;
};

TEST_F(PostTimerTest, TicksOnceAMinuteOnlyWhileEnabledAndNeverAfterItIsReleased) {
  {
    PostTimer timer(harness.State(), Recording());
    EXPECT_EQ(harness.host.FireTimers(60000), 0);
    timer.Enable();
    timer.Enable();  // a second login changes nothing
    const auto intervals = harness.host.RunningTimerIntervals();
    EXPECT_EQ(std::count(intervals.begin(), intervals.end(), 60000), 1);
    EXPECT_EQ(harness.host.FireTimers(60000), 1);
    EXPECT_THAT(calls, ElementsAre("members", "groups", "messages", "quests"));
    timer.Stop();
    EXPECT_EQ(harness.host.FireTimers(60000), 0);
    timer.Enable();
  }
  EXPECT_EQ(harness.host.FireTimers(60000), 0);
  EXPECT_EQ(calls.size(), 4u);
}

TEST_F(PostTimerTest, FirstUpdateAtTheSecondTickThenEveryThirtiethWhileAutoUpdateIsOn) {
  PostTimer timer(harness.State(), Recording());
  std::vector<int> update_ticks;
  for (int tick = 1; tick <= 62; ++tick) {
    const int before = Updates();
    timer.PostTimer_Timer();
    if (Updates() > before) update_ticks.push_back(tick);
  }
  EXPECT_THAT(update_ticks, ElementsAre(2, 32, 62));
  // Switched off, the count stays, and the next tick after switching it on updates.
  auto_update = false;
  calls.clear();
  for (int tick = 0; tick < 40; ++tick) timer.PostTimer_Timer();
  EXPECT_EQ(Updates(), 0);
  EXPECT_EQ(harness.State().UpdateTicks, 30);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "members"), 40);
  auto_update = true;
  timer.PostTimer_Timer();
  EXPECT_EQ(Updates(), 1);
}

TEST_F(PostTimerTest, AFailingStepIsReportedAndTheOthersStillRun) {
  auto pages = Recording();
  pages.refresh_groups = [] { throw Error(5, "broken page"); };
  PostTimer timer(harness.State(), pages);
  timer.PostTimer_Timer();
  EXPECT_THAT(calls, ElementsAre("members", "messages", "quests"));
  EXPECT_THAT(harness.ChatTexts(),
              ElementsAre("OV>> Error in Timer.PostTimer_Timer. Number: 5, Description: broken "
                          "page Source: Ostravel"));
}

}  // namespace
}  // namespace ostravel

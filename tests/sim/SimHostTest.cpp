#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Error.h"
#include "common/ViewSchema.h"
#include "platform/EventLoop.h"
#include "plugin/host/ServicePaths.h"
#include "sim/SimHost.h"
#include "sim/SimMessage.h"
#include "sim/SimView.h"

namespace ostravel::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using namespace std::chrono_literals;

class SimHostTest : public ::testing::Test {
 protected:
  SimHostTest() {
    host_.SetEffectSink([this](const Effect& effect) { effects_.push_back(effect); });
  }

  // Counts the ticks of a timer made through the site.
  std::unique_ptr<host::Timer> CountingTimer(int& ticks, host::Connection& connection) {
    auto timer = host_.Site()->GetPluginSite2()->CreateTimer();
    connection = timer->Timeout.Connect([&ticks](host::Timer&) { ++ticks; });
    return timer;
  }

  platform::EventLoop loop_;
  SimHost host_{loop_, SampleProfile()};
  std::vector<Effect> effects_;
};

TEST_F(SimHostTest, TypedLineReachesTheGameUnlessEaten) {
  std::vector<std::string> seen;
  auto connection =
      host_.Hooks()->ChatParserIntercept.Connect([&seen](const std::string& line, bool& eat) {
        seen.push_back(line);
        if (line.starts_with("/ot")) eat = true;
      });
  EXPECT_FALSE(host_.TypeLine("hello"));
  EXPECT_TRUE(host_.TypeLine("/ot help"));
  EXPECT_THAT(seen, ElementsAre("hello", "/ot help"));
  ASSERT_EQ(effects_.size(), 1u);
  EXPECT_EQ(effects_[0].kind, Effect::Kind::kGame);
  EXPECT_EQ(effects_[0].text, "hello");
}

TEST_F(SimHostTest, HookOperationsBecomeEffects) {
  auto hooks = host_.Site()->GetHooks();
  hooks->ChatOut("out", 5, 1);
  hooks->ChatText("plain", 14, 2);
  hooks->InvokeChatParser("/tell x, hi");
  EXPECT_TRUE(hooks->SetClipboardText("clip"));
  hooks->TypeText("typed", 1);
  ASSERT_EQ(effects_.size(), 5u);
  EXPECT_EQ(effects_[0].kind, Effect::Kind::kChat);
  EXPECT_TRUE(effects_[0].prefixed);
  EXPECT_EQ(effects_[0].color, 5);
  EXPECT_EQ(effects_[0].window, 1);
  EXPECT_EQ(effects_[1].kind, Effect::Kind::kChat);
  EXPECT_FALSE(effects_[1].prefixed);
  EXPECT_EQ(effects_[1].text, "plain");
  EXPECT_EQ(effects_[2].kind, Effect::Kind::kInvoke);
  EXPECT_EQ(effects_[3].kind, Effect::Kind::kClipboard);
  EXPECT_EQ(effects_[4].kind, Effect::Kind::kTypeText);
  EXPECT_EQ(effects_[4].flag, 1);
}

TEST_F(SimHostTest, FilterEventsReachTheirHandlers) {
  std::vector<std::string> events;
  auto stats = host_.Stats();
  auto c1 = stats->LoginComplete.Connect([&] { events.push_back("login"); });
  auto c2 = stats->Logoff.Connect(
      [&](std::int32_t type) { events.push_back("logoff " + std::to_string(type)); });
  auto c3 = host_.Echo()->EchoServer.Connect([&](const host::Message& message) {
    events.push_back("message " + std::to_string(message.Type()));
  });
  host_.CompleteLogin();
  host_.ServerMessage(SimMessage(0xF7B0));
  host_.Logoff(2);
  EXPECT_THAT(events, ElementsAre("login", "message 63408", "logoff 2"));
}

TEST_F(SimHostTest, SiteGivesTheServicesByPath) {
  auto site = host_.Site();
  EXPECT_EQ(site->ObjectByPath(host::kWorldPath), host_.World());
  EXPECT_EQ(site->ObjectByPath(host::kEchoFilter2Path), host_.Echo());
  EXPECT_EQ(site->ObjectByPath(host::kCharacterStatsPath), host_.Stats());
  EXPECT_THROW(site->ObjectByPath("services\\Nothing"), Error);
  host_.RemoveService(host::kWorldPath);
  try {
    site->ObjectByPath(host::kWorldPath);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), -2147467259);
    EXPECT_THAT(error.Description(), HasSubstr("DecalFilters.World"));
  }
}

TEST_F(SimHostTest, StatsAnswerFromTheProfileAndRefuseUnknownNumbers) {
  auto stats = host_.Stats();
  EXPECT_EQ(stats->Name(), "Ostra Vel");
  EXPECT_EQ(stats->Skill(18).name, "Item Tinkering");
  EXPECT_EQ(stats->Vassal(1).name, SampleProfile().vassals[1].name);
  EXPECT_EQ(stats->Monarch()->name, "Queen Ann");
  for (auto lookup : std::vector<std::function<void()>>{
           [&] { stats->Attribute(7); }, [&] { stats->Vital(0); }, [&] { stats->Skill(41); },
           [&] { stats->Vassal(2); }, [&] { stats->Vassal(-1); }}) {
    try {
      lookup();
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), error_number::kInvalidCall);
    }
  }
  EXPECT_EQ(host_.World()->ObjectName(SampleProfile().id), "Ostra Vel");
  EXPECT_EQ(host_.World()->ObjectName(12345), std::nullopt);
}

TEST_F(SimHostTest, LoadsViewsUnlessRefused) {
  auto site2 = host_.Site()->GetPluginSite2();
  EXPECT_EQ(host_.View(), nullptr);
  auto view = site2->LoadView(ViewSchema());
  EXPECT_EQ(view, host_.View());
  EXPECT_EQ(host_.View()->Pages().size(), 7u);
  host_.RefuseViewLoad(true);
  EXPECT_THROW(site2->LoadView(ViewSchema()), Error);
  EXPECT_EQ(view, host_.View());
}

TEST_F(SimHostTest, TimersTickRepeatedlyOnTheLoop) {
  int ticks = 0;
  host::Connection connection;
  auto timer = CountingTimer(ticks, connection);
  timer->Start(10);
  EXPECT_TRUE(timer->Running());
  EXPECT_TRUE(loop_.RunUntil([&] { return ticks >= 3; }, 2s));
}

TEST_F(SimHostTest, NoTickAfterStopOrDestruction) {
  int stopped_ticks = 0;
  int destroyed_ticks = 0;
  host::Connection c1;
  host::Connection c2;
  auto stopped = CountingTimer(stopped_ticks, c1);
  auto destroyed = CountingTimer(destroyed_ticks, c2);
  stopped->Start(10);
  destroyed->Start(10);
  stopped->Stop();
  destroyed.reset();
  loop_.RunFor(60ms);
  EXPECT_EQ(stopped_ticks, 0);
  EXPECT_EQ(destroyed_ticks, 0);
  EXPECT_FALSE(stopped->Running());
}

TEST_F(SimHostTest, TimerStoppedOrDestroyedInsideATickStaysQuiet) {
  int stop_ticks = 0;
  int destroy_ticks = 0;
  auto site2 = host_.Site()->GetPluginSite2();
  auto stopping = site2->CreateTimer();
  auto destroying = site2->CreateTimer();
  auto c1 = stopping->Timeout.Connect([&](host::Timer& source) {
    ++stop_ticks;
    source.Stop();
  });
  auto c2 = destroying->Timeout.Connect([&](host::Timer&) {
    ++destroy_ticks;
    destroying.reset();
  });
  stopping->Start(10);
  destroying->Start(10);
  loop_.RunFor(80ms);
  EXPECT_EQ(stop_ticks, 1);
  EXPECT_EQ(destroy_ticks, 1);
  EXPECT_THAT(host_.RunningTimerIntervals(), IsEmpty());
}

TEST_F(SimHostTest, RestartOutdatesTheEarlierWait) {
  int ticks = 0;
  host::Connection connection;
  auto timer = CountingTimer(ticks, connection);
  timer->Start(10'000);
  timer->Stop();
  timer->Start(10'000);  // the cancelled first wait still completes, and must not tick
  loop_.RunFor(30ms);
  EXPECT_EQ(ticks, 0);
  timer->Start(10);
  EXPECT_THAT(host_.RunningTimerIntervals(), ElementsAre(10));
  EXPECT_TRUE(loop_.RunUntil([&] { return ticks >= 2; }, 2s));
}

TEST_F(SimHostTest, FireTimersTicksTheRunningTimersOfAnInterval) {
  int fast = 0;
  int slow = 0;
  int idle = 0;
  host::Connection c1, c2, c3;
  auto fast_timer = CountingTimer(fast, c1);
  auto slow_timer = CountingTimer(slow, c2);
  auto idle_timer = CountingTimer(idle, c3);
  fast_timer->Start(1000);
  slow_timer->Start(60000);
  idle_timer->Start(1000);
  idle_timer->Stop();
  EXPECT_THAT(host_.RunningTimerIntervals(), UnorderedElementsAre(1000, 60000));
  EXPECT_EQ(host_.FireTimers(1000), 1);
  EXPECT_EQ(fast, 1);
  EXPECT_EQ(slow, 0);
  EXPECT_EQ(idle, 0);
  slow_timer.reset();
  EXPECT_THAT(host_.RunningTimerIntervals(), ElementsAre(1000));
  EXPECT_EQ(host_.FireTimers(60000), 0);
}

TEST_F(SimHostTest, FireTimersSkipsATimerThatAnEarlierTickDestroyed) {
  auto site2 = host_.Site()->GetPluginSite2();
  auto first = site2->CreateTimer();
  auto second = site2->CreateTimer();
  int second_ticks = 0;
  auto c1 = first->Timeout.Connect([&](host::Timer&) { second.reset(); });
  auto c2 = second->Timeout.Connect([&](host::Timer&) { ++second_ticks; });
  first->Start(500);
  second->Start(500);
  EXPECT_EQ(host_.FireTimers(500), 1);
  EXPECT_EQ(second_ticks, 0);
  EXPECT_THAT(host_.RunningTimerIntervals(), ElementsAre(500));
}

}  // namespace
}  // namespace ostravel::sim

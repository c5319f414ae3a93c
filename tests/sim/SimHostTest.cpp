#include <gtest/gtest.h>

#include "platform/EventLoop.h"
#include "sim/SimHost.h"

namespace ostravel::sim {
namespace {

using namespace std::chrono_literals;

TEST(SimHostTest, NoTickAfterStopOrDestruction) {
  platform::EventLoop loop;
  SimHost host{loop, SampleProfile()};
  int ticks = 0;
  auto stopped = host.Site()->GetPluginSite2()->CreateTimer();
  auto destroyed = host.Site()->GetPluginSite2()->CreateTimer();
  auto c1 = stopped->Timeout.Connect([&ticks](host::Timer&) { ++ticks; });
  auto c2 = destroyed->Timeout.Connect([&ticks](host::Timer&) { ++ticks; });
  stopped->Start(10);
  destroyed->Start(10);
  stopped->Stop();
  destroyed.reset();
  loop.RunFor(60ms);
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(stopped->Running());
}

}  // namespace
}  // namespace ostravel::sim

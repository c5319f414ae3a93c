#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Error.h"
#include "common/ViewSchema.h"
#include "platform/EventLoop.h"
#include "sim/SimHost.h"
#include "sim/SimView.h"

namespace ostravel::sim {
namespace {

using ::testing::ElementsAre;
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

}  // namespace
}  // namespace ostravel::sim

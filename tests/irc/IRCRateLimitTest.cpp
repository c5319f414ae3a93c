#include <gtest/gtest.h>

#include <chrono>

#include "irc/IRCRateLimit.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;

TEST(IRCRateLimitTest, ThreeInAnyTenSecondsSliding) {
  struct Step {
    std::chrono::milliseconds at;
    bool passes;
  };
  // Passing at 0, 1 and 2 s: nothing more until 10 s, when the first slides out; a refusal
  // does not count, so 11 and 12 s pass as 1 and 2 s slide out in turn.
  const Step steps[] = {{0ms, true},     {1000ms, true},   {2000ms, true},   {3000ms, false},
                        {9999ms, false}, {10000ms, true},  {10500ms, false}, {11000ms, true},
                        {12000ms, true}, {12500ms, false}, {40000ms, true},  {40000ms, true},
                        {40000ms, true}, {40000ms, false}};
  std::chrono::steady_clock::time_point start{1h};
  auto now = start;
  IRCRateLimit limit(3, 10s, [&] { return now; });
  for (const auto& step : steps) {
    now = start + step.at;
    EXPECT_EQ(limit.Take(), step.passes) << "at " << step.at.count() << " ms";
  }
}

}  // namespace
}  // namespace ostravel

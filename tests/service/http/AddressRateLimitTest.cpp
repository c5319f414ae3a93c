#include <gtest/gtest.h>

#include "service/http/AddressRateLimit.h"

namespace ostravel::service {
namespace {

TEST(AddressRateLimitTest, ABurstThenTheSteadyRatePerAddress) {
  AddressRateLimit limit(2, 1.0);
  struct Step {
    const char* address;
    std::int64_t ms;
    int wait;
  };
  const Step steps[] = {
      {"a", 0, 0},    {"a", 0, 0},    {"a", 0, 1},    {"b", 0, 0},  // b has its own bucket
      {"a", 999, 1},  {"a", 1000, 0}, {"a", 1000, 1}, {"a", 2500, 0},
      {"a", 2500, 1}, {"a", 9000, 0}, {"a", 9000, 0}, {"a", 9000, 1},  // refilled to 2, no more
  };
  for (const Step& step : steps) {
    EXPECT_EQ(limit.Admit(step.address, step.ms), step.wait) << step.address << " at " << step.ms;
  }
}

TEST(AddressRateLimitTest, RetryAfterCountsWholeSecondsAndZeroBurstIsOff) {
  AddressRateLimit slow(1, 0.1);
  EXPECT_EQ(slow.Admit("a", 0), 0);
  EXPECT_EQ(slow.Admit("a", 0), 10);
  EXPECT_EQ(slow.Admit("a", 5500), 5);
  AddressRateLimit off(0, 0);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(off.Admit("a", 0), 0);
}

TEST(AddressRateLimitTest, AddressesWithAFullBucketAreForgotten) {
  AddressRateLimit limit(5, 1.0);
  for (int i = 0; i < 1000; ++i) limit.Admit("10.0.0." + std::to_string(i), 1000);
  EXPECT_EQ(limit.AddressesHeld(), 1000u);
  limit.Admit("x", 62'000);
  EXPECT_EQ(limit.AddressesHeld(), 1u);
}

}  // namespace
}  // namespace ostravel::service

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/UtcOffset.h"

namespace ostravel::platform {
namespace {

// The process's zone for one test, and back afterwards.
class UtcOffsetTest : public ::testing::Test {
 protected:
  void Zone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  ~UtcOffsetTest() override {
    if (had_zone_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  const char* before_ = std::getenv("TZ");
  bool had_zone_ = before_ != nullptr;
  std::string saved_ = had_zone_ ? before_ : "";
};

TEST_F(UtcOffsetTest, FollowsTheZonesRulesOnTheDateAsked) {
  const struct {
    const char* zone;
    DateTime local;
    int offset;
  } cases[] = {
      {"UTC", {2026, 12, 7, 20, 0, 0}, 0},
      {"Europe/Berlin", {2026, 12, 7, 20, 0, 0}, 3600},
      {"Europe/Berlin", {2026, 7, 7, 20, 0, 0}, 7200},
      // The hour the clocks skip counts as summer time.
      {"Europe/Berlin", {2026, 3, 29, 2, 30, 0}, 7200},
      {"America/New_York", {2026, 12, 7, 20, 0, 0}, -5 * 3600},
      {"Asia/Kolkata", {2026, 12, 7, 20, 0, 0}, 19800},
  };
  for (const auto& c : cases) {
    Zone(c.zone);
    EXPECT_EQ(LocalUtcOffsetSeconds(c.local), c.offset) << c.zone << " " << c.local.month;
  }
}

}  // namespace
}  // namespace ostravel::platform

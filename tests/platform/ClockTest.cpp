#include <gtest/gtest.h>

#include <chrono>

#include "platform/Clock.h"

namespace ostravel::platform {
namespace {

using namespace std::chrono;

// The system clock's local time agrees with the UTC time taken around it, up to a time zone:
// a zone moves the date by a day at most and the time by whole quarter hours.
TEST(ClockTest, LocalNowIsTheCurrentTimeInSomeZone) {
  const auto clock = Clock::System();
  // std::time may read a coarser clock than system_clock (glibc's reads the kernel's tick), so
  // just after a second begins it can still show the one before.
  const auto before = floor<seconds>(system_clock::now()) - seconds{1};
  const DateTime local = clock->LocalNow();
  const auto after = floor<seconds>(system_clock::now());
  ASSERT_GE(local.month, 1);
  ASSERT_LE(local.month, 12);
  const sys_days local_day =
      year_month_day{year{local.year}, month{unsigned(local.month)}, day{unsigned(local.day)}};
  const auto local_time =
      local_day + hours{local.hour} + minutes{local.minute} + seconds{local.second};
  bool matches = false;
  for (auto utc = before; utc <= after; utc += seconds{1}) {
    const auto offset = local_time - utc;
    if (abs(offset) <= hours{14} && offset % minutes{15} == seconds{0}) matches = true;
  }
  EXPECT_TRUE(matches) << local.year << "-" << local.month << "-" << local.day << " " << local.hour
                       << ":" << local.minute << ":" << local.second;
}

}  // namespace
}  // namespace ostravel::platform

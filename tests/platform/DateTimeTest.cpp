#include <gtest/gtest.h>

#include "platform/DateTime.h"

namespace ostravel::platform {
namespace {

TEST(DateTimeTest, CountsSecondsFrom1970WithoutTimeZone) {
  EXPECT_EQ(FromUnixSeconds(0), (DateTime{1970, 1, 1, 0, 0, 0}));
  EXPECT_EQ(FromUnixSeconds(1078661109), (DateTime{2004, 3, 7, 12, 5, 9}));
  EXPECT_EQ(FromUnixSeconds(951782400), (DateTime{2000, 2, 29, 0, 0, 0}));
  EXPECT_EQ(FromUnixSeconds(-1), (DateTime{1969, 12, 31, 23, 59, 59}));
  EXPECT_EQ(FromUnixSeconds(2147483647), (DateTime{2038, 1, 19, 3, 14, 7}));
}

TEST(DateTimeTest, WritesAndReadsTheUsShortFormAndNothingElse) {
  const std::pair<DateTime, const char*> cases[] = {
      {{2026, 12, 6, 6, 37, 19}, "12/6/2026 6:37:19 AM"},
      {{2004, 3, 7, 0, 0, 0}, "3/7/2004 12:00:00 AM"},
      {{2004, 3, 7, 12, 5, 9}, "3/7/2004 12:05:09 PM"},
      {{2004, 3, 7, 23, 59, 59}, "3/7/2004 11:59:59 PM"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(FormatShortDateTime(value), text);
    EXPECT_EQ(ParseShortDateTime(text), value) << text;
  }
  // Other texts are refused.
  for (const char* text : {"", "3/7/2004", "2004-03-07 12:05:09", "2/30/2004 1:00:00 AM",
                           "3/7/2004 13:00:00 PM", "3/7/2004 0:00:00 AM", "3/7/2004 1:60:00 AM",
                           "3/7/2004 1:00:00 XM", "-3/7/2004 1:00:00 AM", "3//2004 1:00:00 AM"}) {
    EXPECT_FALSE(ParseShortDateTime(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace ostravel::platform

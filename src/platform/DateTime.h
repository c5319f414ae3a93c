#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostravel::platform {

// A local calendar date and time of day, to the second.
struct DateTime {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;   // 0 to 23
  int minute = 0;
  int second = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// 1 January 1970 00:00:00 plus a count of seconds, without any time zone.
DateTime FromUnixSeconds(std::int64_t seconds);

// The short date-and-time text of the US locale: month/day/year, then the 12-hour time with
// AM or PM, for example "12/6/2026 6:37:19 AM". The time part is always written, also at
// midnight ("3/7/2004 12:00:00 AM").
std::string FormatShortDateTime(const DateTime& value);

// Reads the form FormatShortDateTime writes; nullopt for any other text or an impossible date.
std::optional<DateTime> ParseShortDateTime(std::string_view text);

}  // namespace ostravel::platform

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/DateTime.h"

namespace ostravel::wire {

// Calendar arithmetic and the date texts of the services. A service writes dates as
// "YYYY-MM-DD hh:mm:ss" (sortable, and what the Messages tab reads from "Recieved").

// Seconds since 1 January 1970 00:00:00 of a local date and time, with no time zone applied.
std::int64_t ToUnixSeconds(const platform::DateTime& value);

platform::DateTime AddSeconds(const platform::DateTime& value, std::int64_t seconds);
platform::DateTime AddDays(const platform::DateTime& value, int days);

// The same day at hh:mm:00.
platform::DateTime AtTime(const platform::DateTime& day, int hour, int minute);

// Whole days from `from`'s date to `to`'s date (negative when `to` is earlier).
int DaysBetween(const platform::DateTime& from, const platform::DateTime& to);

std::string FormatIsoDateTime(const platform::DateTime& value);  // 2025-06-01 20:05:09
std::string FormatIsoDate(const platform::DateTime& value);      // 2025-06-01
std::string FormatIsoMinute(const platform::DateTime& value);    // 2025-06-01 20:05

// "YYYY-MM-DD" (a real date) at midnight; nullopt otherwise.
std::optional<platform::DateTime> ParseIsoDate(std::string_view text);

// "h:mm" or "hh:mm" on a 24-hour clock, as hour and minute; nullopt otherwise.
struct ClockTime {
  int hour = 0;
  int minute = 0;
};
std::optional<ClockTime> ParseClockTime(std::string_view text);

}  // namespace ostravel::wire

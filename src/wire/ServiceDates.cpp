#include "wire/ServiceDates.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace ostravel::wire {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t DayNumber(const platform::DateTime& value) {
  const std::chrono::year_month_day date{std::chrono::year(value.year),
                                         std::chrono::month(static_cast<unsigned>(value.month)),
                                         std::chrono::day(static_cast<unsigned>(value.day))};
  return std::chrono::sys_days(date).time_since_epoch().count();
}

// A run of exactly `digits` decimal digits.
std::optional<int> ReadDigits(std::string_view text, std::size_t digits) {
  if (text.size() != digits) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text[0] == '-') {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::int64_t ToUnixSeconds(const platform::DateTime& value) {
  return DayNumber(value) * kSecondsPerDay + value.hour * 3600 + value.minute * 60 + value.second;
}

platform::DateTime AddSeconds(const platform::DateTime& value, std::int64_t seconds) {
  return platform::FromUnixSeconds(ToUnixSeconds(value) + seconds);
}

platform::DateTime AddDays(const platform::DateTime& value, int days) {
  return AddSeconds(value, days * kSecondsPerDay);
}

platform::DateTime AtTime(const platform::DateTime& day, int hour, int minute) {
  platform::DateTime value = day;
  value.hour = hour;
  value.minute = minute;
  value.second = 0;
  return value;
}

int DaysBetween(const platform::DateTime& from, const platform::DateTime& to) {
  return static_cast<int>(DayNumber(to) - DayNumber(from));
}

std::string FormatIsoDateTime(const platform::DateTime& value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", value.year, value.month,
                value.day, value.hour, value.minute, value.second);
  return buffer;
}

std::string FormatIsoDate(const platform::DateTime& value) {
  return FormatIsoDateTime(value).substr(0, 10);
}

std::string FormatIsoMinute(const platform::DateTime& value) {
  return FormatIsoDateTime(value).substr(0, 16);
}

std::optional<platform::DateTime> ParseIsoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto year = ReadDigits(text.substr(0, 4), 4);
  const auto month = ReadDigits(text.substr(5, 2), 2);
  const auto day = ReadDigits(text.substr(8, 2), 2);
  if (!year || !month || !day) return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(*year),
                                         std::chrono::month(static_cast<unsigned>(*month)),
                                         std::chrono::day(static_cast<unsigned>(*day))};
  if (!date.ok()) return std::nullopt;
  return platform::DateTime{*year, *month, *day, 0, 0, 0};
}

std::optional<ClockTime> ParseClockTime(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 1 || colon > 2) return std::nullopt;
  const auto hour = ReadDigits(text.substr(0, colon), colon);
  const auto minute = ReadDigits(text.substr(colon + 1), 2);
  if (!hour || !minute || *hour > 23 || *minute > 59) return std::nullopt;
  return ClockTime{*hour, *minute};
}

}  // namespace ostravel::wire

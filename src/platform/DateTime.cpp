#include "platform/DateTime.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <vector>

namespace ostravel::platform {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

bool ReadInt(std::string_view text, int& value) {
  if (text.empty() || text.size() > 4 || text[0] < '0' || text[0] > '9') return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// Splits at every occurrence of one of the separators; empty pieces are kept.
std::vector<std::string_view> SplitAny(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || separators.find(text[i]) != std::string_view::npos) {
      pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return pieces;
}

bool ValidDate(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year(year),
                                         std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day))};
  return date.ok();
}

}  // namespace

DateTime FromUnixSeconds(std::int64_t seconds) {
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t rest = seconds - days * kSecondsPerDay;
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
  DateTime value;
  value.year = static_cast<int>(date.year());
  value.month = static_cast<int>(static_cast<unsigned>(date.month()));
  value.day = static_cast<int>(static_cast<unsigned>(date.day()));
  value.hour = static_cast<int>(rest / 3600);
  value.minute = static_cast<int>(rest / 60 % 60);
  value.second = static_cast<int>(rest % 60);
  return value;
}

std::string FormatShortDateTime(const DateTime& value) {
  const int hour12 = value.hour % 12 == 0 ? 12 : value.hour % 12;
  char buffer[64];
  const int length =
      std::snprintf(buffer, sizeof buffer, "%d/%d/%d %d:%02d:%02d %s", value.month, value.day,
                    value.year, hour12, value.minute, value.second, value.hour < 12 ? "AM" : "PM");
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::optional<DateTime> ParseShortDateTime(std::string_view text) {
  const auto pieces = SplitAny(text, "/: ");
  if (pieces.size() != 7) return std::nullopt;
  DateTime value;
  int hour12 = 0;
  if (!ReadInt(pieces[0], value.month) || !ReadInt(pieces[1], value.day) ||
      !ReadInt(pieces[2], value.year) || !ReadInt(pieces[3], hour12) ||
      !ReadInt(pieces[4], value.minute) || !ReadInt(pieces[5], value.second)) {
    return std::nullopt;
  }
  if (hour12 < 1 || hour12 > 12 || value.minute > 59 || value.second > 59 ||
      !ValidDate(value.year, value.month, value.day)) {
    return std::nullopt;
  }
  if (pieces[6] == "AM") {
    value.hour = hour12 % 12;
  } else if (pieces[6] == "PM") {
    value.hour = hour12 % 12 + 12;
  } else {
    return std::nullopt;
  }
  return value;
}

}  // namespace ostravel::platform

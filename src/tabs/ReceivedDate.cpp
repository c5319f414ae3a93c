#include "tabs/ReceivedDate.h"

#include <chrono>
#include <tuple>

namespace ostravel {
namespace {

// Reads exactly `count` digits at `at`; false when any of them is not a digit.
bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool ValidDateTime(const platform::DateTime& d) {
  const std::chrono::year_month_day date{std::chrono::year(d.year),
                                         std::chrono::month(static_cast<unsigned>(d.month)),
                                         std::chrono::day(static_cast<unsigned>(d.day))};
  return date.ok() && d.hour <= 23 && d.minute <= 59 && d.second <= 59;
}

// "YYYY-MM-DD hh:mm:ss", every part with its full number of digits.
std::optional<platform::DateTime> ReadIsoForm(std::string_view text) {
  constexpr std::string_view kPattern = "0000-00-00 00:00:00";
  if (text.size() != kPattern.size()) return std::nullopt;
  for (std::size_t i = 0; i < kPattern.size(); ++i) {
    if (kPattern[i] != '0' && text[i] != kPattern[i]) return std::nullopt;
  }
  platform::DateTime d;
  if (!ReadDigits(text, 0, 4, d.year) || !ReadDigits(text, 5, 2, d.month) ||
      !ReadDigits(text, 8, 2, d.day) || !ReadDigits(text, 11, 2, d.hour) ||
      !ReadDigits(text, 14, 2, d.minute) || !ReadDigits(text, 17, 2, d.second)) {
    return std::nullopt;
  }
  if (!ValidDateTime(d)) return std::nullopt;
  return d;
}

std::string_view TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::optional<platform::DateTime> ReadReceivedDate(std::string_view text) {
  const std::string_view trimmed = TrimSpaces(text);
  if (auto iso = ReadIsoForm(trimmed)) return iso;
  return platform::ParseShortDateTime(trimmed);
}

bool IsLater(const platform::DateTime& a, const platform::DateTime& b) {
  return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second) >
         std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
}

}  // namespace ostravel

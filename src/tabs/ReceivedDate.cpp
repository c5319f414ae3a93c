#include "tabs/ReceivedDate.h"

#include <chrono>
#include <tuple>

#include "base/AsciiText.h"

namespace ostravel {
namespace {

// Reads a number of `min_digits` to `max_digits` digits at the front of `text` and removes it.
bool TakeNumber(std::string_view& text, std::size_t min_digits, std::size_t max_digits,
                int& value) {
  std::size_t count = 0;
  value = 0;
  while (count < text.size() && count < max_digits && text[count] >= '0' && text[count] <= '9') {
    value = value * 10 + (text[count] - '0');
    ++count;
  }
  if (count < min_digits) return false;
  text.remove_prefix(count);
  return true;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

bool ValidDate(const platform::DateTime& d) {
  const std::chrono::year_month_day date{std::chrono::year(d.year),
                                         std::chrono::month(static_cast<unsigned>(d.month)),
                                         std::chrono::day(static_cast<unsigned>(d.day))};
  return date.ok();
}

// "YYYY-MM-DD" (the month and day may have one digit).
bool TakeIsoDate(std::string_view& text, platform::DateTime& d) {
  return TakeNumber(text, 4, 4, d.year) && TakeChar(text, '-') && TakeNumber(text, 1, 2, d.month) &&
         TakeChar(text, '-') && TakeNumber(text, 1, 2, d.day);
}

// "M/D/YYYY".
bool TakeUsDate(std::string_view& text, platform::DateTime& d) {
  return TakeNumber(text, 1, 2, d.month) && TakeChar(text, '/') && TakeNumber(text, 1, 2, d.day) &&
         TakeChar(text, '/') && TakeNumber(text, 4, 4, d.year);
}

// The rest of the text after the date: "h:mm", "h:mm:ss", each optionally with " AM"/" PM".
bool ReadTime(std::string_view text, platform::DateTime& d) {
  if (!TakeNumber(text, 1, 2, d.hour) || !TakeChar(text, ':') ||
      !TakeNumber(text, 2, 2, d.minute)) {
    return false;
  }
  if (TakeChar(text, ':') && !TakeNumber(text, 2, 2, d.second)) return false;
  if (d.minute > 59 || d.second > 59) return false;
  if (text.empty()) return d.hour <= 23;
  if (!TakeChar(text, ' ')) return false;
  const bool am = EqualsIgnoreCase(text, "AM");
  if (!am && !EqualsIgnoreCase(text, "PM")) return false;
  if (d.hour < 1 || d.hour > 12) return false;
  d.hour = d.hour % 12 + (am ? 0 : 12);
  return true;
}

}  // namespace

std::optional<platform::DateTime> ReadReceivedDate(std::string_view text) {
  text = TrimSpaces(text);
  platform::DateTime d{};
  std::string_view rest = text;
  const bool iso = TakeIsoDate(rest, d);
  if (!iso) {
    rest = text;
    if (!TakeUsDate(rest, d)) return std::nullopt;
  }
  if (!ValidDate(d)) return std::nullopt;
  if (rest.empty()) return d;
  if (!TakeChar(rest, ' ') && !(iso && TakeChar(rest, 'T'))) return std::nullopt;
  if (!ReadTime(rest, d)) return std::nullopt;
  return d;
}

bool IsLater(const platform::DateTime& a, const platform::DateTime& b) {
  return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second) >
         std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
}

}  // namespace ostravel

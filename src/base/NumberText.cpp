#include "base/NumberText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/Words.h"

namespace ostravel {

std::string DoubleText(double value) {
  if (value == 0.0) return "0";  // also for -0.0
  // Rounded to 15 digits, the largest doubles would come out above the largest double
  // ("1.79769313486232E+308") and could not be read back: those round down instead.
  constexpr double kLargestRoundingDown = 1.79769313486231E+308;
  if (std::fabs(value) > kLargestRoundingDown && std::isfinite(value)) {
    return value < 0 ? "-1.79769313486231E+308" : "1.79769313486231E+308";
  }
  char buffer[32];
  // %G with 15 digits is the default text form: trailing zeros dropped, exponent from 1E15.
  const int length = std::snprintf(buffer, sizeof buffer, "%.15G", value);
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::optional<double> ParseDecimal(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int64_t> ParseWholeNumber(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
      std::fabs(value) > 9.0e18) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(value);
}

}  // namespace ostravel

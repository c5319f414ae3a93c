#include "DemoRequest.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace ostravel::app {
namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n";

}  // namespace

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  for (auto split = FirstWord(text); !split.word.empty(); split = FirstWord(split.rest)) {
    words.push_back(split.word);
  }
  return words;
}

WordAndRest FirstWord(std::string_view text) {
  text = Trim(text);
  const std::size_t end = text.find_first_of(kWhiteSpace);
  if (end == std::string_view::npos) return {text, {}};
  return {text.substr(0, end), Trim(text.substr(end))};
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

std::string DemoRequest::Field(std::string_view key) const {
  const auto it = fields.find(key);
  return it == fields.end() ? std::string() : std::string(Trim(it->second));
}

std::int64_t DemoRequest::Number(std::string_view key, std::int64_t fallback) const {
  return ParseWholeNumber(Field(key)).value_or(fallback);
}

DemoRequest ReadDemoRequest(FormFields utf8_fields, const platform::DateTime& now) {
  DemoRequest request;
  request.fields = std::move(utf8_fields);
  const auto args = request.fields.find("args");
  if (args != request.fields.end()) request.args = args->second;
  // Ids travel as signed 32-bit numbers and the location as unsigned; both wrap to 32 bits.
  request.character = static_cast<std::int32_t>(request.Number("CID"));
  request.monarch = static_cast<std::int32_t>(request.Number("MID"));
  request.location = static_cast<std::uint32_t>(request.Number("Location"));
  request.fellowship_leader = static_cast<std::int32_t>(request.Number("FLID"));
  request.wants_fellowship = request.Number("WantFellowship") != 0;
  request.now = now;
  return request;
}

}  // namespace ostravel::app

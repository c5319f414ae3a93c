#include "CommandLine.h"

#include <charconv>
#include <limits>

namespace ostravel::app {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

template <class T>
std::optional<T> ParseWhole(std::string_view text, int base) {
  T value{};
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

CommandLine::CommandLine(std::string_view line) : line_(line) {
  name_ = NextWord().value_or("");
}

void CommandLine::SkipBlanks() {
  while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
}

std::optional<std::string> CommandLine::NextWord() {
  SkipBlanks();
  if (pos_ >= line_.size()) return std::nullopt;
  const std::size_t start = pos_;
  while (pos_ < line_.size() && !IsBlank(line_[pos_])) ++pos_;
  return std::string(line_.substr(start, pos_ - start));
}

std::string CommandLine::Rest() {
  SkipBlanks();
  std::string_view rest = line_.substr(pos_);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
  pos_ = line_.size();
  return std::string(rest);
}

bool CommandLine::AtEnd() const {
  std::size_t pos = pos_;
  while (pos < line_.size() && IsBlank(line_[pos])) ++pos;
  return pos >= line_.size();
}

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return ParseWhole<std::int32_t>(text, 10);
}

std::optional<std::int32_t> ParseBits32(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) {
    auto value = ParseWhole<std::uint32_t>(text.substr(2), 16);
    if (!value) return std::nullopt;
    return static_cast<std::int32_t>(*value);
  }
  if (auto value = ParseInt32(text)) return value;
  auto value = ParseWhole<std::uint32_t>(text, 10);
  if (!value) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

}  // namespace ostravel::app

#include "service/AnswerRecord.h"

namespace ostravel::service {

std::string CleanValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool pending_space = false;
  for (const char c : text) {
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out += ' ';
    pending_space = false;
    out += c;
  }
  return out;
}

AnswerRecord& AnswerRecord::Add(std::string_view key, std::string_view value) {
  const std::string clean = CleanValue(value);
  if (clean.empty()) return *this;
  if (!text_.empty()) text_ += "  ";
  text_.append(key);
  text_ += ": ";
  text_ += clean;
  return *this;
}

AnswerRecord& AnswerRecord::AddNumber(std::string_view key, std::int64_t value) {
  return Add(key, std::string_view(std::to_string(value)));
}

AnswerRecord& AnswerRecord::AddFlag(std::string_view key, bool value) {
  return Add(key, std::string_view(value ? "True" : "False"));
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string line = CleanValue(text.substr(0, end));
    if (!line.empty()) lines.push_back(std::move(line));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    if (!out.empty()) out += '\n';
    out += line;
  }
  return out;
}

}  // namespace ostravel::service

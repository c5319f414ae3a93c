#include "DemoRecord.h"

namespace ostravel::app {

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

DemoRecord& DemoRecord::Add(std::string_view key, std::string_view value) {
  const std::string clean = CleanValue(value);
  if (clean.empty()) return *this;
  if (!text_.empty()) text_ += "  ";
  text_.append(key);
  text_ += ": ";
  text_ += clean;
  return *this;
}

DemoRecord& DemoRecord::AddNumber(std::string_view key, std::int64_t value) {
  return Add(key, std::string_view(std::to_string(value)));
}

DemoRecord& DemoRecord::AddFlag(std::string_view key, bool value) {
  return Add(key, std::string_view(value ? "True" : "False"));
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    if (!out.empty()) out += '\n';
    out += line;
  }
  return out;
}

}  // namespace ostravel::app

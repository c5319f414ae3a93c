#include "wire/AnswerRecord.h"

namespace ostravel::wire {

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

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    if (!out.empty()) out += '\n';
    out += line;
  }
  return out;
}

std::vector<std::string_view> SplitRecords(std::string_view answer) {
  std::vector<std::string_view> records;
  if (answer.empty()) return records;
  std::size_t start = 0;
  for (std::size_t at = answer.find('\n'); at != std::string_view::npos;
       at = answer.find('\n', start)) {
    records.push_back(answer.substr(start, at - start));
    start = at + 1;
  }
  records.push_back(answer.substr(start));
  return records;
}

std::string ReadField(std::string_view record, std::string_view key) {
  std::string line(record);
  line += "  ";
  if (line.size() <= key.size()) return "";
  const std::size_t key_at = line.find(key);
  if (key_at == std::string::npos) return "";
  const std::size_t space = line.find(' ', key_at);
  std::size_t value_at = space;
  while (line[value_at] == ' ' && value_at + 1 < line.size()) ++value_at;
  const std::size_t end = line.find("  ", value_at);
  if (end == std::string::npos || end <= space) return "";
  return line.substr(space + 1, end - space - 1);
}

}  // namespace ostravel::wire

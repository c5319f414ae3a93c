#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostravel::service {

// One line of a web-service answer as the plug-in reads it with ValFromStr: fields written as
// key, ":", one space and the value, joined by two spaces. ValFromStr ends a value at the
// first two-space run, so values are cleaned to single spaces on one line, and an empty value
// is left out altogether (an empty value would make the reader swallow the next field).
class AnswerRecord {
 public:
  AnswerRecord& Add(std::string_view key, std::string_view value);
  AnswerRecord& AddNumber(std::string_view key, std::int64_t value);
  // "True" or "False": the Members tab colours a name green only for exactly "True".
  AnswerRecord& AddFlag(std::string_view key, bool value);

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// `text` on one line: line breaks and tabs become spaces, runs of spaces one space, and the
// ends are trimmed.
std::string CleanValue(std::string_view text);

// The lines of a text, each cleaned as CleanValue does; empty lines are left out.
std::vector<std::string> SplitLines(std::string_view text);

// Lines joined with LF, the answer's record separator.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace ostravel::service

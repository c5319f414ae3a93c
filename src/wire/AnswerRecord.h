#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostravel::wire {

// The web service's answers: plain text, one record per line (LF between them); in a record,
// fields are joined by two spaces, and each is a key token (the key and ":"), one space and
// the value. A value never holds two spaces in a row, or the reader would end it there.

// Writes one record line. Values are cleaned to single spaces on one line, and an empty value
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

// Lines joined with LF, the answer's record separator.
std::string JoinLines(const std::vector<std::string>& lines);

// The records of an answer: the pieces between LFs, empty ones included; no piece for an empty
// answer.
std::vector<std::string_view> SplitRecords(std::string_view answer);

// The value of the field `key` in one record, read as the plug-in always has: the first
// occurrence of `key` anywhere in the line (inside an earlier field too), the value from
// right after the first space behind it up to the next two-space run behind its first
// non-space character; "" when the key is missing or the line is no longer than the key.
std::string ReadField(std::string_view record, std::string_view key);

}  // namespace ostravel::wire

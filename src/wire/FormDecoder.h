#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ostravel::wire {

// The fields of an application/x-www-form-urlencoded body, decoded the way a PHP server fills
// $_POST, so that a service sees exactly what the allegiance's real scripts would:
// - the body is split at "&", each pair at its first "=" (a pair without "=" has an empty
//   value; an empty pair is skipped);
// - "+" becomes a space and "%XX" (two hex digits, either case) the byte XX; a "%" not
//   followed by two hex digits stays as it is;
// - in a key, leading spaces are dropped and every "." and " " becomes "_"; a key that is
//   empty after that is skipped;
// - a repeated key keeps its last value.
// Keys and values are raw bytes (the sender's code page); nothing is converted here.
using FormFields = std::map<std::string, std::string, std::less<>>;

FormFields DecodeForm(std::string_view body);

// One key or value: "+" to space and "%XX" to the byte.
std::string DecodeFormComponent(std::string_view text);

// What a strict service refuses in a body that DecodeForm reads all the same.
enum class FormFault {
  kBrokenEscape,   // a "%" not followed by two hex digits
  kRepeatedField,  // a key (as mangled) that came before; the last value wins
};

struct FormProblem {
  FormFault fault;
  std::string key;     // the field's key as DecodeForm keeps it
  std::size_t offset;  // where in the body the pair starts
};

// The fields as DecodeForm reads them, and every fault on the way, in body order.
struct CheckedForm {
  FormFields fields;
  std::vector<FormProblem> problems;
};
CheckedForm DecodeFormChecked(std::string_view body);

// One line for the sender: "broken percent escape in field \"Name\" at byte 12",
// "repeated field \"CID\" at byte 30". Only printable ASCII of the key is shown, at most 64
// bytes of it.
std::string ProblemLine(const FormProblem& problem);

}  // namespace ostravel::wire

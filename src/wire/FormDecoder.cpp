#include "wire/FormDecoder.h"

#include <algorithm>

namespace ostravel::wire {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool EscapeAt(std::string_view text, std::size_t i) {
  return i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0;
}

bool HasBrokenEscape(std::string_view text) {
  for (std::size_t i = text.find('%'); i != std::string_view::npos; i = text.find('%', i + 1)) {
    if (!EscapeAt(text, i)) return true;
    i += 2;
  }
  return false;
}

// PHP mangles variable names because they once became global variables: leading spaces go,
// and " " and "." (not allowed in a PHP name) become "_".
std::string MangleKey(std::string key) {
  const std::size_t first = key.find_first_not_of(' ');
  key.erase(0, first == std::string::npos ? key.size() : first);
  for (char& c : key) {
    if (c == ' ' || c == '.') c = '_';
  }
  return key;
}

// Calls `field(key, value, pair, offset)` for each pair whose key survives mangling.
template <class Field>
void ForEachPair(std::string_view body, Field field) {
  std::size_t offset = 0;
  while (offset < body.size()) {
    const std::size_t end = std::min(body.find('&', offset), body.size());
    const std::string_view pair = body.substr(offset, end - offset);
    const std::size_t start = offset;
    offset = end + 1;
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    std::string key = MangleKey(DecodeFormComponent(pair.substr(0, equals)));
    if (key.empty()) continue;
    std::string value = equals == std::string_view::npos
                            ? std::string()
                            : DecodeFormComponent(pair.substr(equals + 1));
    field(std::move(key), std::move(value), pair, start);
  }
}

}  // namespace

std::string DecodeFormComponent(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && EscapeAt(text, i)) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

FormFields DecodeForm(std::string_view body) {
  FormFields fields;
  ForEachPair(body, [&](std::string key, std::string value, std::string_view, std::size_t) {
    fields[std::move(key)] = std::move(value);
  });
  return fields;
}

CheckedForm DecodeFormChecked(std::string_view body) {
  CheckedForm form;
  ForEachPair(body,
              [&](std::string key, std::string value, std::string_view pair, std::size_t offset) {
                if (HasBrokenEscape(pair))
                  form.problems.push_back({FormFault::kBrokenEscape, key, offset});
                if (form.fields.contains(key)) {
                  form.problems.push_back({FormFault::kRepeatedField, key, offset});
                }
                form.fields[std::move(key)] = std::move(value);
              });
  return form;
}

std::string ProblemLine(const FormProblem& problem) {
  // The key came from the sender: only printable ASCII of it goes into the line.
  std::string key = problem.key.substr(0, 64);
  for (char& c : key) {
    if (c < 0x20 || c > 0x7E || c == '"') c = '?';
  }
  const std::string where = " at byte " + std::to_string(problem.offset);
  switch (problem.fault) {
    case FormFault::kBrokenEscape:
      return "broken percent escape in field \"" + key + "\"" + where;
    case FormFault::kRepeatedField:
      return "repeated field \"" + key + "\"" + where;
  }
  return "malformed field \"" + key + "\"" + where;
}

}  // namespace ostravel::wire

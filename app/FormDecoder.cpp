#include "FormDecoder.h"

namespace ostravel::app {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
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

}  // namespace

std::string DecodeFormComponent(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
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
  while (!body.empty()) {
    const std::size_t end = body.find('&');
    const std::string_view pair = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    std::string key = MangleKey(DecodeFormComponent(pair.substr(0, equals)));
    if (key.empty()) continue;
    fields[key] = equals == std::string_view::npos ? std::string()
                                                   : DecodeFormComponent(pair.substr(equals + 1));
  }
  return fields;
}

}  // namespace ostravel::app

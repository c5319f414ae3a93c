#include "platform/HttpHeaders.h"

#include "base/AsciiText.h"

namespace ostravel::platform {
namespace {

std::string_view TrimWhite(std::string_view text) {
  constexpr std::string_view kWhite = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kWhite);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhite) - first + 1);
}

}  // namespace

void AddHeaderLine(std::vector<HttpHeader>& fields, std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;  // the status line, or the empty one at the end
  const std::string_view name = line.substr(0, colon);
  // A name holds no white space (RFC 9112, section 5.1); a line that starts with some is an
  // old-style continuation, which nothing here needs.
  if (name.empty() || name.find_first_of(" \t") != std::string_view::npos) return;
  fields.push_back({std::string(name), std::string(TrimWhite(line.substr(colon + 1)))});
}

std::vector<HttpHeader> ParseHeaderBlock(std::string_view text) {
  std::vector<HttpHeader> fields;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    AddHeaderLine(fields, text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return fields;
}

std::string HeaderValue(const std::vector<HttpHeader>& fields, std::string_view name) {
  for (const HttpHeader& field : fields) {
    if (EqualsIgnoreCase(field.name, name)) return field.value;
  }
  return {};
}

}  // namespace ostravel::platform

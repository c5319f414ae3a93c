#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostravel::platform {

// One header field of an answer, its name as the server wrote it and its value without the
// white space around it.
struct HttpHeader {
  std::string name;
  std::string value;
};

// Adds the field of one header line ("Name: value", with or without its line end) to
// `fields`; a status line, an empty line or a line without a name is skipped.
void AddHeaderLine(std::vector<HttpHeader>& fields, std::string_view line);

// The fields of a whole header as the server sent it, lines ended by CR LF or LF.
std::vector<HttpHeader> ParseHeaderBlock(std::string_view text);

// The value of the first field named `name` (in any letter case); "" when there is none.
std::string HeaderValue(const std::vector<HttpHeader>& fields, std::string_view name);

}  // namespace ostravel::platform

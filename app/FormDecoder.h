#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ostravel::app {

// The fields of an application/x-www-form-urlencoded body, decoded the way a PHP server fills
// $_POST, so that the demo service sees exactly what the allegiance's real scripts would:
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

}  // namespace ostravel::app

#pragma once

#include <string>
#include <string_view>

namespace ostravel {

// Letter case and spaces as command words, keys, nicks and channel names use them: ASCII
// letters only, and only the space character counts as white space.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Without leading and trailing spaces (tabs and line breaks stay).
std::string_view TrimSpaces(std::string_view text);

}  // namespace ostravel

#include <gtest/gtest.h>

#include <string>

#include "irc/IRCFormatting.h"

namespace ostravel {
namespace {

// The codes are written in octal (\002 bold, \003 colour, \004 hex colour, \017 reset, \021
// monospace, \026 reverse, \035 italic, \036 strike, \037 underline): an octal escape ends after
// three digits, so the text behind it can start with a digit.
TEST(IRCFormattingTest, StripsEveryCodeAndLeavesThePlainText) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"hello, world 42", "hello, world 42"},
      {"a\002b\017c\026d\035e\037f\036g\021h", "abcdefgh"},
      // colours: none, one or two digits, a background, a third digit that is text
      {"\003hi", "hi"},
      {"\0034red", "red"},
      {"\00304red", "red"},
      {"\003123", "3"},
      {"\0034,12on blue", "on blue"},
      {"\00304,1x", "x"},
      {"\0031,234", "4"},
      {"end\003", "end"},
      // a comma with no digit behind it, or no colour before it, is text
      {"\0034,red", ",red"},
      {"see\0034,", "see,"},
      {"\003,5x", ",5x"},
      // hex colours: six digits, and six more for a background
      {"\004FF00aaText", "Text"},
      {"\004ff0000,00FF00Text", "Text"},
      {"\004ff0000,12Text", ",12Text"},
      {"\004ff00 x", "ff00 x"},
      {"\00412345g", "12345g"},
      // multi-byte characters stay whole
      {"\002\xC3\xA9t\xC3\xA9 \0033\xE2\x82\xAC\017 \xF0\x9F\x98\x80",
       "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      {"\002\037Bob\017: \00309,01go\003 now\035!", "Bob: go now!"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(StripFormatting(in), out) << in;
}

}  // namespace
}  // namespace ostravel

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/Utf8.h"

namespace ostravel::platform {
namespace {

// The first and last character of each encoded length.
constexpr std::pair<char32_t, const char*> kBoundaries[] = {
    {0x0, "\x00"},
    {0x7F, "\x7F"},
    {0x80, "\xC2\x80"},
    {0x7FF, "\xDF\xBF"},
    {0x800, "\xE0\xA0\x80"},
    {0xFFFF, "\xEF\xBF\xBF"},
    {0x10000, "\xF0\x90\x80\x80"},
    {0x10FFFF, "\xF4\x8F\xBF\xBF"},
};

TEST(Utf8Test, EachLengthEncodesAndDecodesAtItsBoundaries) {
  for (const auto& [code_point, text] : kBoundaries) {
    const std::string bytes = code_point == 0 ? std::string(1, '\0') : std::string(text);
    std::string out;
    AppendUtf8(out, code_point);
    EXPECT_EQ(out, bytes) << std::hex << static_cast<unsigned>(code_point);
    std::size_t pos = 0;
    EXPECT_EQ(NextCodePoint(bytes, pos), code_point);
    EXPECT_EQ(pos, bytes.size());
    EXPECT_TRUE(IsValidUtf8(bytes));
  }
}

TEST(Utf8Test, MalformedBytesDecodeToTheReplacementOneByteAtATime) {
  const char* malformed[] = {
      "\xC0\x80",          // an overlong NUL
      "\xE0\x9F\xBF",      // an overlong U+07FF
      "\xF0\x8F\xBF\xBF",  // an overlong U+FFFF
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xE2\x82",          // cut short
      "\x80",              // a continuation byte alone
      "\xF8\x88\x80\x80",  // no such lead byte
  };
  for (const char* text : malformed) {
    std::size_t pos = 0;
    EXPECT_EQ(NextCodePoint(text, pos), kReplacementCharacter) << text;
    EXPECT_EQ(pos, 1u) << text;
    EXPECT_FALSE(IsValidUtf8(std::string("ok ") + text)) << text;
  }
  // The replacement character written out is valid text.
  EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xEF\xBF\xBD"));
}

}  // namespace
}  // namespace ostravel::platform

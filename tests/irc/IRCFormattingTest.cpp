#include <gtest/gtest.h>

#include <string>

#include "irc/IRCFormatting.h"

namespace ostravel {
namespace {

struct StripCase {
  const char* name;
  std::string in;
  std::string out;
};

class StripFormattingTest : public ::testing::TestWithParam<StripCase> {};

TEST_P(StripFormattingTest, LeavesThePlainText) {
  EXPECT_EQ(StripFormatting(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Codes, StripFormattingTest,
                         ::testing::Values(StripCase{"Empty", "", ""},
                                           StripCase{"Plain", "hello, world 42", "hello, world 42"},
                                           StripCase{"Bold",
                                                     "a\x02"
                                                     "b\x02"
                                                     "c",
                                                     "abc"},
                                           StripCase{"Reset",
                                                     "a\x0F"
                                                     "b",
                                                     "ab"},
                                           StripCase{"Reverse",
                                                     "a\x16"
                                                     "b",
                                                     "ab"},
                                           StripCase{"Italic",
                                                     "a\x1D"
                                                     "b",
                                                     "ab"},
                                           StripCase{"Underline",
                                                     "a\x1F"
                                                     "b",
                                                     "ab"},
                                           StripCase{"Strike",
                                                     "a\x1E"
                                                     "b",
                                                     "ab"},
                                           StripCase{"Monospace",
                                                     "a\x11"
                                                     "b",
                                                     "ab"},
                                           StripCase{"ColourNoDigits",
                                                     "\x03"
                                                     "hi",
                                                     "hi"},
                                           StripCase{"ColourOneDigit",
                                                     "\x03"
                                                     "4red",
                                                     "red"},
                                           StripCase{"ColourTwoDigits",
                                                     "\x03"
                                                     "04red",
                                                     "red"},
                                           StripCase{"ColourThirdDigitIsText",
                                                     "\x03"
                                                     "123",
                                                     "3"},
                                           StripCase{"ColourBackground",
                                                     "\x03"
                                                     "4,12on blue",
                                                     "on blue"},
                                           StripCase{"ColourBackgroundOneDigit",
                                                     "\x03"
                                                     "04,1x",
                                                     "x"},
                                           StripCase{"ColourBackgroundThirdDigitIsText",
                                                     "\x03"
                                                     "1,234",
                                                     "4"},
                                           StripCase{"ColourCommaWithoutDigitKept",
                                                     "\x03"
                                                     "4,red",
                                                     ",red"},
                                           StripCase{"ColourCommaAtEndKept",
                                                     "see\x03"
                                                     "4,",
                                                     "see,"},
                                           StripCase{"CommaWithoutForegroundIsText",
                                                     "\x03"
                                                     ",5x",
                                                     ",5x"},
                                           StripCase{"ColourAtEnd", "end\x03", "end"},
                                           StripCase{"HexColour",
                                                     "\x04"
                                                     "FF00aaText",
                                                     "Text"},
                                           StripCase{"HexColourBackground",
                                                     "\x04"
                                                     "ff0000,00FF00Text",
                                                     "Text"},
                                           StripCase{"HexCommaWithoutColourKept",
                                                     "\x04"
                                                     "ff0000,12Text",
                                                     ",12Text"},
                                           StripCase{"HexTooShortIsText",
                                                     "\x04"
                                                     "ff00 x",
                                                     "ff00 x"},
                                           StripCase{"HexNotHexIsText",
                                                     "\x04"
                                                     "12345g",
                                                     "12345g"},
                                           StripCase{
                                               "Utf8Intact",
                                               "\x02"
                                               "\xC3\xA9t\xC3\xA9 \x03"
                                               "3\xE2\x82\xAC\x0F \xF0\x9F\x98\x80",
                                               "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
                                           StripCase{"Mixed",
                                                     "\x02\x1F"
                                                     "Bob\x0F: \x03"
                                                     "09,01go\x03 now\x1D!",
                                                     "Bob: go now!"}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ostravel

#include <gtest/gtest.h>

#include "platform/TextEncoding.h"

namespace ostravel::platform {
namespace {

using namespace std::string_view_literals;

TEST(TextEncodingTest, DeclarationNamesGiveTheirCodePages) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"UTF-8", 65001},        {"utf8", 65001},
      {"ISO-8859-1", 28591},   {"latin1", 28591},
      {"windows-1252", 1252},  {"Windows-1250", 1250},
      {"cp1251", 1251},        {"CP932", 932},
      {"Shift_JIS", 932},      {"x-sjis", 932},
      {"windows-31j", 932},    {"UTF-16", 1200},
      {"us-ascii", 20127},     {"gbk", 936},
      {"big5", 950},           {"windows-", std::nullopt},
      {"cp12x", std::nullopt}, {"klingon", std::nullopt},
  };
  for (const auto& [name, code_page] : cases) {
    EXPECT_EQ(CodePageForEncodingName(name), code_page) << name;
  }
}

TEST(TextEncodingTest, Latin1IsExactAndRefusesWhatItCannotHold) {
  // 0x80 and 0x92 are C1 controls in Latin-1 (1252 would give the euro sign and a quote).
  EXPECT_EQ(DecodeText("\x80\x92\xE9\xFF", kLatin1), "\xC2\x80\xC2\x92\xC3\xA9\xC3\xBF");
  EXPECT_EQ(EncodeText("\xC2\x80\xC2\x92\xC3\xA9\xC3\xBF", kLatin1), "\x80\x92\xE9\xFF");
  EXPECT_EQ(EncodeText("\xE2\x82\xAC", kLatin1), std::nullopt);
  EXPECT_EQ(EncodeText("caf\xC3\xA9", kAscii), std::nullopt);
  EXPECT_EQ(EncodeText("cafe", kAscii), "cafe");
}

TEST(TextEncodingTest, OtherCodePagesReportWhatDoesNotFit) {
  EXPECT_EQ(DecodeText("\x92\x86", 932), "\xE4\xB8\xAD");
  EXPECT_EQ(EncodeText("\xE4\xB8\xAD", 1252), std::nullopt);  // 中 has no 1252 form
  EXPECT_EQ(EncodeText("?", 1252), "?");  // a real question mark is no failed character
}

TEST(TextEncodingTest, Utf16CarriesCharactersBeyondTheBasicPlane) {
  const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80";  // a, é, U+1F600
  const std::string le("a\0\xE9\0\x3D\xD8\x00\xDE", 8);
  EXPECT_EQ(EncodeText(text, kUtf16LE), le);
  EXPECT_EQ(DecodeText(le, kUtf16LE), text);
  const std::string be("\0a\0\xE9\xD8\x3D\xDE\x00", 8);
  EXPECT_EQ(EncodeText(text, kUtf16BE), be);
  EXPECT_EQ(DecodeText(be, kUtf16BE), text);
  // Broken pairs become replacement characters: a high half followed by no low half, a low
  // half alone, an odd last byte.
  EXPECT_EQ(DecodeText("\x3D\xD8\x42\0"sv, kUtf16LE), "\xEF\xBF\xBD\x42");  // "B"
  EXPECT_EQ(DecodeText("\x00\xDE\x43"sv, kUtf16LE), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace ostravel::platform

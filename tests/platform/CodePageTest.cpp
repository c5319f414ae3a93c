#include <gtest/gtest.h>

#include "base/Error.h"
#include "platform/CodePage.h"

namespace ostravel::platform {
namespace {

TEST(CodePageTest, WesternEuropeanTakesOneByteACharacter) {
  const auto page = CodePage::Open(1252);
  EXPECT_EQ(page->Number(), 1252);
  EXPECT_EQ(page->EncodeChar(U'A'), "A");
  EXPECT_EQ(page->EncodeChar(U'\u20AC'), "\x80");
  EXPECT_EQ(page->EncodeChar(U'\u4E2D'), "?");
  EXPECT_EQ(page->FromUtf8("Caf\xC3\xA9 \xE2\x82\xAC 5 \xE4\xB8\xAD"), "Caf\xE9 \x80 5 ?");
  EXPECT_EQ(page->ToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
  // The five unassigned bytes keep their value instead of being lost.
  EXPECT_EQ(page->ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  EXPECT_EQ(page->FromUtf8(page->ToUtf8(all)), all);
  // Invalid UTF-8 becomes question marks; an overlong "/" is no slash.
  EXPECT_EQ(page->FromUtf8("a\xFFz\xC3"), "a?z?");
  EXPECT_EQ(page->FromUtf8("\xC0\xAF"), "??");
  EXPECT_THROW(CodePage::Open(4), Error);  // no such code page
}

TEST(CodePageTest, JapaneseUsesTwoBytesForKanji) {
  const auto page = CodePage::Open(932);
  EXPECT_EQ(page->EncodeChar(U'\u4E2D'), "\x92\x86");
  EXPECT_EQ(page->FromUtf8("a\xE4\xB8\xADz"), "a\x92\x86z");
  EXPECT_EQ(page->ToUtf8("a\x92\x86z"), "a\xE4\xB8\xADz");
  EXPECT_EQ(page->ToUtf8("\xB1"), "\xEF\xBD\xB1");  // half-width katakana are single bytes
  EXPECT_EQ(page->ToUtf8("\x92"), "\xEF\xBF\xBD");  // a lead byte with nothing to pair with
}

}  // namespace
}  // namespace ostravel::platform

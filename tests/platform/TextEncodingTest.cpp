#include <gtest/gtest.h>

#include <string>

#include "platform/TextEncoding.h"

namespace ostravel::platform {
namespace {

// "A", "é" and U+1F600, which UTF-16 writes as the surrogate pair D83D DE00.
const std::string kText = "A\xC3\xA9\xF0\x9F\x98\x80";

TEST(TextEncodingTest, Utf16WritesAndReadsCharactersBeyondTheFirstPlaneAsPairs) {
  const std::string little("A\0\xE9\0\x3D\xD8\x00\xDE", 8);
  const std::string big("\0A\0\xE9\xD8\x3D\xDE\x00", 8);
  EXPECT_EQ(EncodeText(kText, kUtf16LE), little);
  EXPECT_EQ(EncodeText(kText, kUtf16BE), big);
  EXPECT_EQ(DecodeText(little, kUtf16LE), kText);
  EXPECT_EQ(DecodeText(big, kUtf16BE), kText);
}

TEST(TextEncodingTest, BrokenUtf16BecomesReplacementCharacters) {
  // A high surrogate without its low half, a low half alone, and an odd last byte.
  EXPECT_EQ(DecodeText(std::string("\x3D\xD8"
                                   "B\0",
                                   4),
                       kUtf16LE),
            "\xEF\xBF\xBD"
            "B");
  EXPECT_EQ(DecodeText(std::string("\x00\xDE"
                                   "C",
                                   3),
                       kUtf16LE),
            "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace ostravel::platform

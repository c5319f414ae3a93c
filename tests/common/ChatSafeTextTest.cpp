#include <gtest/gtest.h>

#include "common/ChatSafeText.h"

namespace ostravel {
namespace {

using namespace std::string_literals;

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(ChatSafeTextTest, ControlCharactersGoAndOrdinaryTextStaysByteForByte) {
  const std::string mark(kChatCutMark);
  const std::string line = Repeat("z", 99) + "\n";
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"Name: Ann  Level: 275", "Name: Ann  Level: 275"},
      {"\nOstravel 3.0.0.10. Avaliable commands:", "\nOstravel 3.0.0.10. Avaliable commands:"},
      {"one\r\ntwo\nthree\r", "one\r\ntwo\nthree\r"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80",
       "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80"},
      {"\xFF\xFE broken \xC3", "\xFF\xFE broken \xC3"},  // not UTF-8: passed on as it came
      {"nul\0cut"s, "nulcut"},
      {"\x01\x07\x08\x0B\x0C\x1B[31mred\x7F", "[31mred"},
      {"\x03"
       "04 a colour code left whole",
       "04 a colour code left whole"},
      {"next\xC2\x85line \xC2\x9B"
       "and \xC2\xA0space",
       "nextline and \xC2\xA0space"},  // C1 go
      {"tab\there", "tab here"},
      {"\0\x01"s, ""},
      {Repeat("x", kMaxChatLineBytes), Repeat("x", kMaxChatLineBytes)},
      {Repeat("x", kMaxChatLineBytes + 1), Repeat("x", kMaxChatLineBytes) + mark},
      // Cut between characters: the two-byte one that would end past the limit goes whole.
      {"a" + Repeat("\xC3\xA9", kMaxChatLineBytes / 2),
       "a" + Repeat("\xC3\xA9", kMaxChatLineBytes / 2 - 1) + mark},
      // Removed characters do not count, and each line has the whole limit.
      {Repeat("\x01", 10) + Repeat("y", kMaxChatLineBytes), Repeat("y", kMaxChatLineBytes)},
      {Repeat("x", 70000) + "\nnext", Repeat("x", kMaxChatLineBytes) + mark + "\nnext"},
      {"a\n" + Repeat("y", kMaxChatLineBytes), "a\n" + Repeat("y", kMaxChatLineBytes)},
      // An answer of many lines stops at the limit of one text, in the middle of a line.
      {Repeat(line, 10 * 1024), Repeat(line, 10 * 1024).substr(0, kMaxChatTextBytes) + mark},
      {Repeat(line, 10 * 1024).substr(0, kMaxChatTextBytes),
       Repeat(line, 10 * 1024).substr(0, kMaxChatTextBytes)},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(ChatSafeText(in), out) << in.substr(0, 80);
  }
}

}  // namespace
}  // namespace ostravel

#include <gtest/gtest.h>

#include "common/ChatSafeText.h"
#include "common/Context.h"
#include "common/OstravelLib.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"

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
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(ChatSafeText(in), out) << in.substr(0, 80);
  }
}

TEST(ChatSafeTextTest, AnAnswerOfManyLinesStopsAtTheLimitOfOneText) {
  const std::string line = Repeat("z", 99) + "\n";
  const std::string answer = Repeat(line, 10 * 1024);  // 1,000 KiB
  const std::string safe = ChatSafeText(answer);
  EXPECT_EQ(safe.size(), kMaxChatTextBytes + kChatCutMark.size());
  EXPECT_TRUE(safe.starts_with(Repeat(line, kMaxChatTextBytes / line.size())));
  EXPECT_TRUE(safe.ends_with(kChatCutMark));
  // A text just at the limit is whole.
  const std::string full = Repeat(line, kMaxChatTextBytes / line.size());
  EXPECT_EQ(ChatSafeText(full), full);
}

TEST(ChatSafeTextTest, PrintChatPrintsTheSafeTextAndNothingForOnlyControlCharacters) {
  test::TestEnvironment env;
  Context ctx(env.Env());
  auto hooks = std::make_shared<test::RecordingHooks>();
  ctx.ACHooks = hooks;
  PrintChat(ctx, "\0\x07"s, kChatColor, true);
  PrintChat(ctx, "\x02", kChatColor, false);
  PrintChat(ctx, "a\0b"s, kChatColor, true);
  PrintChat(ctx, Repeat("w", 5000), 3, false);
  ASSERT_EQ(hooks->chat.size(), 2u);
  EXPECT_EQ(hooks->chat[0].text, "OV>> ab");
  EXPECT_EQ(hooks->chat[1].text, Repeat("w", kMaxChatLineBytes) + std::string(kChatCutMark));
}

}  // namespace
}  // namespace ostravel

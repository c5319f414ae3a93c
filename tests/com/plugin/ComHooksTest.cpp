#include <gtest/gtest.h>

#include "com/plugin/ComHooks.h"
#include "support/ComFakes.h"

namespace ostravel::com {
namespace {

using test::FakeHooks;

TEST(ComHooksTest, ChatLinesReachThePlugInAndItsAnswerReachesTheHost) {
  auto fake = MakeComObject<FakeHooks>();
  std::vector<std::string> seen;
  {
    ComHooks hooks(fake);
    auto eat_commands = hooks.ChatParserIntercept.Connect([&](const std::string& text, bool& eat) {
      seen.push_back(text);
      if (text.starts_with("@")) eat = true;
    });
    EXPECT_TRUE(fake->Enter(L"@mbr wer ist M\u00fcller"));
    EXPECT_FALSE(fake->Enter(L"hello"));
    // A line an earlier handler of the host already ate stays eaten.
    EXPECT_TRUE(fake->Enter(L"hello", VARIANT_TRUE));

    hooks.ChatOut(
        "OV>> gr\xC3\xBC\xC3\x9F"
        "e",
        7, 1);
    ASSERT_EQ(fake->chat.size(), 1u);
    EXPECT_EQ(fake->chat[0], L"OV>> gr\u00fc\u00dfe");
    EXPECT_EQ(fake->last_color, 7);
  }
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "@mbr wer ist M\xC3\xBCller");
  // The adapter gone, the host has no sink left and a new line reaches nothing.
  EXPECT_EQ(fake->events.Count(), 0u);
  EXPECT_FALSE(fake->Enter(L"@mbr late"));
  EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
}  // namespace ostravel::com

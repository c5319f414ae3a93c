#include <gtest/gtest.h>

#include "com/plugin/ComHooks.h"
#include "support/ComFakes.h"

namespace ostravel::com {
namespace {

using test::FakeHooks;

TEST(ComHooksTest, ChatLinesReachThePlugInAndItsAnswerReachesTheHost) {
  auto fake = MakeComObject<FakeHooks>();
  ComHooks hooks(fake);
  std::vector<std::string> seen;
  auto eat_commands = hooks.ChatParserIntercept.Connect([&](const std::string& text, bool& eat) {
    seen.push_back(text);
    if (text.starts_with("@")) eat = true;
  });
  EXPECT_TRUE(fake->Enter(L"@mbr wer ist M\u00fcller"));
  EXPECT_FALSE(fake->Enter(L"hello"));
  // A line an earlier handler of the host already ate stays eaten.
  EXPECT_TRUE(fake->Enter(L"hello", VARIANT_TRUE));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "@mbr wer ist M\xC3\xBCller");

  hooks.ChatOut("OV>> gr\xC3\xBC\xC3\x9F!", 7, 1);
  ASSERT_EQ(fake->chat.size(), 1u);
  EXPECT_EQ(fake->chat[0], L"OV>> gr\u00fc\u00df!");
  EXPECT_EQ(fake->last_color, 7);
}

}  // namespace
}  // namespace ostravel::com

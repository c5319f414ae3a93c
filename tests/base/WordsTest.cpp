#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/NumberText.h"
#include "base/Words.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;

TEST(WordsTest, SplitsAtRunsOfAnyWhiteSpace) {
  EXPECT_EQ(Trim(" \t a b\r\n"), "a b");
  EXPECT_EQ(Trim(" \n "), "");
  EXPECT_THAT(SplitWords("  list\tonline \r\n now"), ElementsAre("list", "online", "now"));
  EXPECT_TRUE(SplitWords(" \t").empty());
  const auto [word, rest] = FirstWord("  send Bob  hello there \n");
  EXPECT_EQ(word, "send");
  EXPECT_EQ(rest, "Bob  hello there");
  EXPECT_EQ(FirstWord("alone").rest, "");
}

TEST(WordsTest, WholeNumbersCutTheirFractionAndRefuseTheRest) {
  const std::pair<const char*, std::optional<std::int64_t>> cases[] = {{"42", 42},
                                                                       {" -7\n", -7},
                                                                       {"275.9", 275},
                                                                       {"-1.5", -1},
                                                                       {"1E3", 1000},
                                                                       {"", std::nullopt},
                                                                       {"+5", std::nullopt},
                                                                       {"12a", std::nullopt},
                                                                       {"inf", std::nullopt},
                                                                       {"1E19", std::nullopt},
                                                                       {"0x10", std::nullopt}};
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseWholeNumber(text), value) << text;
}

}  // namespace
}  // namespace ostravel

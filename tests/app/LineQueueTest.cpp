#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/LineQueue.h"

namespace ostravel::app {
namespace {

// Everything the workbench would take once the input has ended.
std::vector<std::string> TakeAll(LineQueue& queue) {
  std::vector<std::string> lines;
  while (auto line = queue.Take()) lines.push_back(*line);
  return lines;
}

struct FeedCase {
  const char* name;
  std::vector<std::string> reads;  // what each read of standard input returned
  std::vector<std::string> lines;
};

class LineQueueFeedTest : public ::testing::TestWithParam<FeedCase> {};

TEST_P(LineQueueFeedTest, ReadsBecomeTheScriptsLines) {
  LineQueue queue;
  for (const auto& bytes : GetParam().reads) ASSERT_TRUE(queue.Feed(bytes));
  queue.End();
  EXPECT_EQ(TakeAll(queue), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, LineQueueFeedTest,
    ::testing::Values(
        FeedCase{"SeveralInOneRead", {":login\n@mbr whois Bob\n"}, {":login", "@mbr whois Bob"}},
        FeedCase{"LineCutAcrossReads", {":pa", "ge M", "br\n:quit\n"}, {":page Mbr", ":quit"}},
        FeedCase{"CrLfCutBetweenReads", {"hello\r", "\nworld\r\n"}, {"hello", "world"}},
        FeedCase{"EmptyLinesKept", {"\n\r\n:quit\n"}, {"", "", ":quit"}},
        FeedCase{"LastLineWithoutEnd", {":dump chMbr\n:qu", "it"}, {":dump chMbr", ":quit"}},
        FeedCase{"NothingAtAll", {}, {}}),
    [](const ::testing::TestParamInfo<FeedCase>& row) { return std::string(row.param.name); });

TEST(LineQueueTest, ArrivalIsToldUntilTakenAndNothingAfterClose) {
  LineQueue queue;
  int told = 0;
  queue.Request("> ", [&told] { ++told; });
  EXPECT_FALSE(queue.Ready());
  ASSERT_TRUE(queue.Feed("a\n"));
  EXPECT_EQ(told, 1);
  EXPECT_TRUE(queue.Ready());
  EXPECT_EQ(queue.Take(), "a");

  ASSERT_TRUE(queue.Feed("b\n"));  // read ahead: nobody has asked, nobody is told
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(queue.Close());  // the reader was not waiting for a request
  EXPECT_FALSE(queue.Feed("c\n"));
  EXPECT_FALSE(queue.Deliver("d"));
  EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace ostravel::app

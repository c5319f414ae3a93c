#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/LineQueue.h"

namespace ostravel::app {
namespace {

TEST(LineQueueTest, ReadsBecomeTheScriptsLines) {
  struct Case {
    std::vector<std::string> reads;  // what each read of standard input returned
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {{":login\n@mbr whois Bob\n"}, {":login", "@mbr whois Bob"}},
      {{":pa", "ge M", "br\n:quit\n"}, {":page Mbr", ":quit"}},  // a line cut across reads
      {{"hello\r", "\nworld\r\n"}, {"hello", "world"}},          // CR LF cut between reads
      {{"\n\r\n:quit\n"}, {"", "", ":quit"}},
      {{":dump chMbr\n:qu", "it"}, {":dump chMbr", ":quit"}},  // the last line without an end
      {{}, {}}};
  for (const auto& [reads, expected] : cases) {
    LineQueue queue;
    for (const auto& bytes : reads) ASSERT_TRUE(queue.Feed(bytes));
    queue.End();
    std::vector<std::string> lines;
    while (auto line = queue.Take()) lines.push_back(*line);
    EXPECT_EQ(lines, expected) << ::testing::PrintToString(reads);
  }
}

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

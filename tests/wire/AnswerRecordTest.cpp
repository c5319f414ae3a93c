#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"

namespace ostravel::wire {
namespace {

using ::testing::ElementsAre;

TEST(AnswerRecordTest, WritesCleanFieldsAndLeavesEmptyOnesOut) {
  AnswerRecord record;
  record.Add(answer::kName, "  Ann\n\tof  the Hills ")
      .Add(answer::kTemplate, " \n ")
      .AddNumber(answer::kLevel, -5)
      .AddFlag(answer::kOnline, true);
  EXPECT_EQ(record.Text(), "Name: Ann of the Hills  Level: -5  Online: True");
  EXPECT_EQ(AnswerRecord().AddFlag(answer::kOnline, false).Text(), "Online: False");
  EXPECT_EQ(JoinLines({"a", "b", "c"}), "a\nb\nc");
}

TEST(AnswerRecordTest, EveryWrittenFieldReadsBack) {
  struct Case {
    const char* key;
    const char* value;
    const char* read;
  };
  const Case cases[] = {
      {"Name", "Bob Smith", "Bob Smith"},
      {"Sample", "two  spaces\nand a line", "two spaces and a line"},
      {"Recieved", "2025-06-01 14:30:00", "2025-06-01 14:30:00"},
      {"Level", "", ""},  // left out, so it reads as missing
  };
  AnswerRecord record;
  for (const auto& [key, value, read] : cases) record.Add(key, value);
  record.Add("Info", "last");
  for (const auto& [key, value, read] : cases) {
    EXPECT_EQ(ReadField(record.Text(), std::string(key) + ":"), read) << key;
  }
  EXPECT_EQ(ReadField(record.Text(), "Info"), "last");
}

TEST(AnswerRecordTest, ReadsFieldsWithTheQuirksOfItsScan) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"Name: Bob  Level: 5", "Level", "5"},
      {"Name: Bob  Level: 5", "Rank", ""},
      {"Name:  Level: 5", "Name", " Level: 5"},  // an empty value swallows the next field
      {"Name:  Bob  Level: 5", "Name", " Bob"},
      {"LeaderName: Ann  Name: Bob", "Name", "Ann"},  // found inside an earlier key first
      {"Name", "Name: Bob", ""},
      {"Level: 5  Name:", "Name", ""},
  };
  for (const auto& [line, key, value] : cases) EXPECT_EQ(ReadField(line, key), value) << line;
}

TEST(AnswerRecordTest, SplitsAnAnswerIntoRecordsAtEachLineFeed) {
  EXPECT_THAT(SplitRecords("a\nb\n\nc"), ElementsAre("a", "b", "", "c"));
  EXPECT_THAT(SplitRecords("a\n"), ElementsAre("a", ""));
  EXPECT_TRUE(SplitRecords("").empty());
  EXPECT_THAT(SplitRecords("one\r"), ElementsAre("one\r"));
}

}  // namespace
}  // namespace ostravel::wire

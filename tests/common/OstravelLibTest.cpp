#include <gtest/gtest.h>

#include <filesystem>

#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using test::ReadCrLfLines;

class OstravelLibTest : public ::testing::Test {
 protected:
  OstravelLibTest() : ctx(env.Env()) { ctx.ACHooks = hooks; }

  std::filesystem::path LogFile() const { return env.folder.Path() / "log.txt"; }

  test::TestEnvironment env;
  Context ctx;
  std::shared_ptr<test::RecordingHooks> hooks = std::make_shared<test::RecordingHooks>();
};

// What is empty once the control characters are out prints nothing.
TEST_F(OstravelLibTest, PrintChatPrefixesOnceAndSkipsEmptyText) {
  PrintChat(ctx, "", kChatColor, true);
  PrintChat(ctx, "\x02\x07", kChatColor, false);
  PrintChat(ctx, "line one\nline two", kChatColor, true);
  PrintChat(ctx,
            "pl\x07"
            "ain",
            3, false);
  ASSERT_EQ(hooks->chat.size(), 2u);
  const auto& [text, color, window, prefixed] = hooks->chat[0];
  EXPECT_EQ(std::tie(text, color, window, prefixed),
            std::make_tuple("OV>> line one\nline two", 7, 1, true));
  EXPECT_EQ(std::tie(hooks->chat[1].text, hooks->chat[1].color, hooks->chat[1].prefixed),
            std::make_tuple("plain", 3, false));
}

TEST_F(OstravelLibTest, WriteLogCreatesAndAppendsTimeStampedCrLfLinesInTheCodePage) {
  ASSERT_FALSE(std::filesystem::exists(LogFile()));
  WriteLog(ctx, "first");
  env.clock.now = {2026, 12, 6, 0, 0, 5};
  WriteLog(ctx, "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD");  // café € 中

  const auto lines = ReadCrLfLines(LogFile());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[12/6/2026 6:37:19 AM] first");
  // 1252: é is E9, € is 80, and a character it lacks becomes "?".
  EXPECT_EQ(lines[1], "[12/6/2026 12:00:05 AM] caf\xE9 \x80 ?");
}

TEST_F(OstravelLibTest, AReportGetsThroughABrokenLogOrWithoutChatAndNeverEscapes) {
  Context broken(Environment{env.loop, *env.code_page, env.clock, env.folder.Path() / "missing"});
  broken.ACHooks = hooks;
  LogError(broken, "M", "P", Error(1, "d", "s"));
  ASSERT_EQ(hooks->chat.size(), 1u);
  EXPECT_EQ(hooks->chat[0].text, "OV>> Error in M.P. Number: 1, Description: d Source: s");
  ctx.ACHooks.reset();  // chat gone: the log still has it, and nothing escapes to the host
  EXPECT_FALSE(ErrorHandler(ctx, "M", "P")([] { throw Error(1, "d"); }));
  EXPECT_EQ(ReadCrLfLines(LogFile()).size(), 1u);
}

TEST_F(OstravelLibTest, ErrorHandlerStopsItsBodyAtTheErrorAndRunsTheNextStep) {
  ErrorHandler step{ctx, "OstravelMain", "Iplugin2_Initialize"};
  std::vector<int> ran;
  EXPECT_TRUE(step([&] { ran.push_back(1); }));
  EXPECT_FALSE(step([&] {
    ran.push_back(2);
    throw Error(-2146697211, "Ostravel.xml not found", "msxml3.dll");
    ran.push_back(0);  // never runs
  }));
  EXPECT_FALSE(step([&] { throw std::out_of_range("index 26"); }));
  step([&] { ran.push_back(4); });

  EXPECT_EQ(ran, (std::vector<int>{1, 2, 4}));
  const std::string first =
      "Error in OstravelMain.Iplugin2_Initialize. Number: -2146697211, Description: Ostravel.xml "
      "not found Source: msxml3.dll";
  const std::string second =
      "Error in OstravelMain.Iplugin2_Initialize. Number: 9, Description: Subscript out of range "
      "Source: Ostravel";
  ASSERT_EQ(hooks->chat.size(), 2u);
  EXPECT_EQ(hooks->chat[0].text, "OV>> " + first);
  EXPECT_EQ(hooks->chat[0].color, 7);
  EXPECT_EQ(hooks->chat[1].text, "OV>> " + second);
  EXPECT_EQ(ReadCrLfLines(LogFile()),
            (std::vector<std::string>{"[12/6/2026 6:37:19 AM] " + first,
                                      "[12/6/2026 6:37:19 AM] " + second}));
}

TEST_F(OstravelLibTest, PartCutsBetweenMarks) {
  EXPECT_EQ(Part(ctx, "a[b]c", "[", "]"), "b");
  EXPECT_EQ(Part(ctx, "a[b]c", "[", ""), "b]c");
  EXPECT_EQ(Part(ctx, "a[b]c", "", "]"), "a[b");
  EXPECT_EQ(Part(ctx, "a[b]c", "<", "]"), "");
  // The end mark is searched from the character after the start mark's first character, so
  // an end mark at the very start of the text is not found without a start mark.
  EXPECT_EQ(Part(ctx, "]x", "", "]"), "");
  EXPECT_TRUE(hooks->chat.empty());
}

TEST_F(OstravelLibTest, FixDateWritesTheSortableFormAndKeepsAnHourThatIsNoClockHour) {
  EXPECT_EQ(FixDate(ctx, {2004, 3, 7, 12, 5, 9}), "2004-03-07 12:05:09");
  // Midnight has its time part in our date text, so it converts like any other time.
  EXPECT_EQ(FixDate(ctx, {2004, 3, 7, 0, 0, 0}), "2004-03-07 00:00:00");
  EXPECT_EQ(FixDate(ctx, {2004, 3, 7, 23, 59, 59}), "2004-03-07 23:59:59");
  const std::pair<const char*, const char*> texts[] = {
      {"3/7/2004 12:05:09 PM", "2004-03-07 12:05:09"},
      {"3/7/2004 12:05:09 AM", "2004-03-07 00:05:09"},
      {"3/7/2004 1:02:03 PM", "2004-03-07 13:02:03"},
      {"3/7/2004 99999999999:02:03 PM", "2004-03-07 99999999999:02:03"},
      {"3/7/2004 -2147483648:02:03 PM", "2004-03-07 -2147483648:02:03"}};
  for (const auto& [text, sortable] : texts) EXPECT_EQ(FixDateText(ctx, text), sortable) << text;
  EXPECT_TRUE(hooks->chat.empty());
  // A text without a time is reported and gives zero.
  EXPECT_EQ(FixDateText(ctx, "3/7/2004"), "0");
  const std::string expected = "Error: OstravelLib.FixDate dateArray out of range Value: 3/7/2004";
  ASSERT_EQ(hooks->chat.size(), 1u);
  EXPECT_EQ(hooks->chat[0].text, "OV>> " + expected);
  EXPECT_EQ(ReadCrLfLines(LogFile()),
            std::vector<std::string>{"[12/6/2026 6:37:19 AM] " + expected});
}

TEST_F(OstravelLibTest, GetBirthWithoutCharacterStatsReportsAndGivesEmptyText) {
  EXPECT_EQ(GetBirth(ctx), "");
  ASSERT_EQ(hooks->chat.size(), 1u);
  EXPECT_TRUE(hooks->chat[0].text.starts_with("OV>> Error in OstravelLib.GetBirth(). Number: 91"));
}

}  // namespace
}  // namespace ostravel

// The workbench against the demo web service: the road from a typed command to the server
// and back into chat, through the real executable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "support/RunProcess.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using test_support::ProcessOptions;
using test_support::RunProcess;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(WorkbenchDemoTest, DemoLogsInAnswersInChatAndKeepsTheRestOfAnExistingSettingsFile) {
  test::TempFolder folder;
  std::ofstream(folder.Path() / "Ostravel.xml")
      << R"(<ostravel><server url="http://old.invalid/"/><chathelper savelines="5">)"
      << R"(<chatline name="Ann" text="hi"/></chathelper></ostravel>)";
  const auto transcript = folder.Path() / "t.jsonl";
  ProcessOptions options;
  options.input = "@mbr whois Bob\n@event list\n:settle\n:quit\n";
  const auto result = RunProcess({OSTRAVEL_EXE, "demo", "--folder", folder.Path().string(),
                                  "--transcript", transcript.string()},
                                 options);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_THAT(result.out, HasSubstr("Event: "));
  const std::string chat = test::ReadFile(transcript);
  EXPECT_THAT(chat, HasSubstr("\"OV>> Ostravel 3.0.0.10 initialized - Server Population: 1234\""));
  EXPECT_THAT(chat, HasSubstr("\"OV>> Name: Bob  Level: 72"));
  const std::string settings = test::ReadFile(folder.Path() / "Ostravel.xml");
  EXPECT_THAT(settings, HasSubstr(R"(<chatline name="Ann" text="hi")"));
  EXPECT_THAT(settings, Not(HasSubstr("old.invalid")));
}

TEST(WorkbenchDemoTest, DemoRefusesASettingsFileItCannotRead) {
  test::TempFolder folder;
  std::ofstream(folder.Path() / "Ostravel.xml") << "<broken";
  const auto result = RunProcess({OSTRAVEL_EXE, "demo", "--folder", folder.Path().string()});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_THAT(result.err, HasSubstr("Parse failed in Ostravel.xml on line 1"));
  EXPECT_EQ(test::ReadFile(folder.Path() / "Ostravel.xml"), "<broken");
}

}  // namespace
}  // namespace ostravel

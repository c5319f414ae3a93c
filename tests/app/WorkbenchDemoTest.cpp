// The workbench against the demo web service: the road from a typed command to the server
// and back into chat, through the real executable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "app/DemoService.h"
#include "support/RunProcess.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using json = nlohmann::json;
using test_support::ProcessOptions;
using test_support::RunProcess;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<json> ReadTranscript(const std::filesystem::path& file) {
  std::vector<json> records;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) records.push_back(json::parse(line));
  return records;
}

std::vector<std::string> ChatTexts(const std::vector<json>& records) {
  std::vector<std::string> texts;
  for (const auto& record : records) {
    if (record["kind"] == "chat") texts.push_back(record["text"]);
  }
  return texts;
}

TEST(WorkbenchDemoTest, AWhoisAnswerOfTheServiceReachesChatWithThePrefix) {
  app::DemoService service;
  service.Start();
  test::TempFolder folder;
  std::ofstream(folder.Path() / "Ostravel.xml") << app::DemoSettingsXml(service.Url());
  const auto transcript = folder.Path() / "t.jsonl";

  ProcessOptions options;
  options.input = ":login\n@mbr whois Bob\n:settle\n:quit\n";
  const auto result = RunProcess({OSTRAVEL_EXE, "run", "--folder", folder.Path().string(),
                                  "--transcript", transcript.string()},
                                 options);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const auto chat = ChatTexts(ReadTranscript(transcript));
  EXPECT_THAT(chat, Contains("OV>> Ostravel 3.0.0.10 initialized - Server Population: 1234"));
  EXPECT_THAT(chat, Contains(HasSubstr("OV>> Name: Bob  Level: 72")));
}

TEST(WorkbenchDemoTest, DemoLogsInAndKeepsTheRestOfAnExistingSettingsFile) {
  test::TempFolder folder;
  std::ofstream(folder.Path() / "Ostravel.xml")
      << R"(<ostravel><server url="http://old.invalid/"/><chathelper savelines="5">)"
      << R"(<chatline name="Ann" text="hi"/></chathelper></ostravel>)";
  ProcessOptions options;
  options.input = "@event list\n:settle\n:quit\n";
  const auto result =
      RunProcess({OSTRAVEL_EXE, "demo", "--folder", folder.Path().string()}, options);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_THAT(result.out, HasSubstr("Ostravel 3.0.0.10 initialized"));
  EXPECT_THAT(result.out, HasSubstr("Event: "));
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

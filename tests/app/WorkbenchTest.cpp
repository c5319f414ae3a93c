#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "common/ViewSchema.h"
#include "support/RunProcess.h"
#include "support/TestEnvironment.h"

namespace ostravel::app {
namespace {

using nlohmann::json;
using test_support::ProcessOptions;
using test_support::ProcessResult;
using test_support::RunProcess;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class WorkbenchTest : public ::testing::Test {
 protected:
  // Runs `ostravel run` on the script, with a settings file without content in the folder, and
  // reads the transcript into `records`.
  ProcessResult Run(const std::string& script, std::vector<std::string> extra = {},
                    const std::string& settings = "<ostravel/>") {
    std::ofstream(folder_.Path() / "Ostravel.xml") << settings;
    const auto transcript = folder_.Path() / "transcript.jsonl";
    std::vector<std::string> argv = {OSTRAVEL_EXE,   "run",
                                     "--folder",     folder_.Path().string(),
                                     "--transcript", transcript.string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    ProcessOptions options;
    options.input = script;
    const auto result = RunProcess(argv, options);
    // Every transcript line must be one JSON object with a kind: a stray line breaks the readers.
    std::ifstream in(transcript);
    for (std::string line; std::getline(in, line);) {
      auto record = json::parse(line, nullptr, false);
      EXPECT_TRUE(record.is_object() && record.contains("kind")) << line;
      if (!record.is_discarded()) records.push_back(record);
    }
    return result;
  }

  test::TempFolder folder_;
  std::vector<json> records;
};

TEST_F(WorkbenchTest, PageByLabelThenDumpsShowChoiceAndNotebook) {
  const auto result = Run(":page Mbr\n:dump chMbr\n:dump nbMain\n:quit\n");
  EXPECT_EQ(result.exit_code, 0) << result.err;
  ASSERT_EQ(records.size(), 2u);
  const auto& choice = records[0];
  EXPECT_EQ(choice["kind"], "choice");
  EXPECT_EQ(choice["name"], "chMbr");
  EXPECT_EQ(choice["selected"], 0);
  ASSERT_EQ(choice["options"].size(), 25u);
  EXPECT_EQ(choice["options"].front()["text"], "Online My Levelrange");
  EXPECT_EQ(choice["options"].back()["text"], "Online Levels: 1-20");
  EXPECT_EQ(records[1], (json{{"kind", "notebook"}, {"name", "nbMain"}, {"page", 2}}));
  EXPECT_THAT(result.out, HasSubstr("chMbr"));
}

TEST_F(WorkbenchTest, BadCommandsPrintUsageAndTheScriptGoesOn) {
  const auto result =
      Run(":frobnicate\n:click lstMbr x 1\n:page Nowhere\n"
          ":check chkChat maybe\n:choose chMbr\n:wait soon\n:logoff x\n:select zz\n:msg\n"
          ":dump\n:quit now\n:dump chkChat\n");
  EXPECT_EQ(result.exit_code, 0);
  std::vector<std::string> errors;
  std::istringstream err(result.err);
  for (std::string line; std::getline(err, line);) errors.push_back(line);
  EXPECT_THAT(errors, ElementsAre(HasSubstr(":frobnicate"), "usage: :click NAME COL ROW",
                                  "usage: :page N|LABEL", "usage: :check NAME on|off",
                                  "usage: :choose NAME INDEX", "usage: :wait MS",
                                  "usage: :logoff [TYPE]", "usage: :select ID", "usage: :msg JSON",
                                  "usage: :dump NAME", "usage: :quit"));
  // Neither the bad :quit nor any complaint ended the script.
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["name"], "chkChat");
}

TEST_F(WorkbenchTest, ShowDrawsTopRowAndListWithoutColourCodes) {
  const auto result = Run(":choose chMbr 1\n:show Mbr\n:check chkChat on\n:show\n");
  EXPECT_EQ(result.exit_code, 0);
  // Then the current page is the first one, with its check box and edit text.
  for (const char* text : {"[Online Everyone", "<?>", "lstMbr: 0 rows", "row | 0 | 1 | 2 | 3",
                           "[x] afk", "\"Auto reply - I'm currently afk.\"", "lstChat: 0 rows"})
    EXPECT_THAT(result.out, HasSubstr(text));
  EXPECT_THAT(result.out, ::testing::Not(HasSubstr("\x1b[")));
  EXPECT_TRUE(records.empty());
}

TEST_F(WorkbenchTest, MalformedCharacterFileIsRefusedNamingIt) {
  const auto file = folder_.Path() / "broken character.json";
  std::ofstream(file) << R"({"name": "Tester", "level": )";
  const auto result = Run(":dump nbMain\n", {"--character", file.string()});
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_THAT(result.err, HasSubstr(file.string()));
  EXPECT_TRUE(records.empty());
}

// A new player's first login with the installer's starter file, before the address is in it.
TEST_F(WorkbenchTest, TheStarterSettingsFileGetsOneLineSayingWhereTheAddressGoes) {
  std::ifstream starter(OSTRAVEL_STARTER_SETTINGS);
  const std::string settings{std::istreambuf_iterator<char>(starter), {}};
  ASSERT_THAT(settings, HasSubstr("http://www.example.com/ostravel/"));
  const auto result = Run(":login\n:settle\n:quit\n", {}, settings);
  EXPECT_EQ(result.exit_code, 0) << result.err;
  std::vector<std::string> chat;
  for (const json& record : records) {
    if (record["kind"] == "chat") chat.push_back(record["text"]);
  }
  ASSERT_EQ(chat.size(), 2u) << result.out;
  EXPECT_THAT(chat[0], HasSubstr("initialized - Server Population: "));
  EXPECT_THAT(chat[1], HasSubstr("address is not set"));
  EXPECT_THAT(chat[1], HasSubstr("Ostravel.xml in the folder " + folder_.Path().string()));
}

TEST(WorkbenchCommandLineTest, ViewXmlPrintsTheViewSchema) {
  const auto result = RunProcess({OSTRAVEL_EXE, "view-xml"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, ViewSchema() + "\n");
}

}  // namespace
}  // namespace ostravel::app

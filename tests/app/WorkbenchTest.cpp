#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "common/ViewSchema.h"
#include "support/RunProcess.h"

namespace ostravel::app {
namespace {

using nlohmann::json;
using test_support::ProcessOptions;
using test_support::ProcessResult;
using test_support::RunProcess;
using ::testing::HasSubstr;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Session {
  ProcessResult process;
  std::vector<json> records;  // the transcript

  std::vector<json> Of(const std::string& kind, const std::string& name = "") const {
    std::vector<json> found;
    std::copy_if(records.begin(), records.end(), std::back_inserter(found), [&](const json& r) {
      return r.value("kind", "") == kind && (name.empty() || r.value("name", "") == name);
    });
    return found;
  }
};

class WorkbenchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("ostravel-workbench-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::filesystem::path Folder() const { return root_ / "plugin"; }
  std::filesystem::path TranscriptFile() const { return root_ / "transcript.jsonl"; }

  // Runs `ostravel run` on the script, with a settings file without content in the folder.
  Session Run(const std::optional<std::string>& script, std::vector<std::string> extra = {}) {
    std::filesystem::create_directories(Folder());
    std::ofstream(Folder() / "Ostravel.xml") << "<ostravel/>";
    std::vector<std::string> argv = {OSTRAVEL_EXE,      "run",          "--folder",
                                     Folder().string(), "--transcript", TranscriptFile().string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    ProcessOptions options;
    options.input = script;
    Session session{RunProcess(argv, options), {}};
    // Every transcript line must be one JSON object with a kind: a stray line breaks the readers.
    std::ifstream in(TranscriptFile());
    for (std::string line; std::getline(in, line);) {
      auto record = json::parse(line, nullptr, false);
      EXPECT_FALSE(record.is_discarded()) << "not JSON: " << line;
      EXPECT_TRUE(record.is_object() && record.contains("kind")) << line;
      if (!record.is_discarded()) session.records.push_back(record);
    }
    return session;
  }

  std::filesystem::path root_;
};

TEST_F(WorkbenchTest, PageByLabelThenDumpsShowChoiceAndNotebook) {
  const auto session = Run(":page Mbr\n:dump chMbr\n:dump nbMain\n:quit\n");
  EXPECT_EQ(session.process.exit_code, 0) << session.process.err;
  ASSERT_EQ(session.records.size(), 2u);
  const auto& choice = session.records[0];
  EXPECT_EQ(choice["kind"], "choice");
  EXPECT_EQ(choice["name"], "chMbr");
  EXPECT_EQ(choice["selected"], 0);
  ASSERT_EQ(choice["options"].size(), 25u);
  EXPECT_EQ(choice["options"].front()["text"], "Online My Levelrange");
  EXPECT_EQ(choice["options"].back()["text"], "Online Levels: 1-20");
  EXPECT_EQ(session.records[1], (json{{"kind", "notebook"}, {"name", "nbMain"}, {"page", 2}}));
  EXPECT_THAT(session.process.out, HasSubstr("chMbr"));
}

TEST_F(WorkbenchTest, BadCommandsPrintUsageAndTheScriptGoesOn) {
  const auto session =
      Run(":frobnicate\n:click lstMbr x 1\n:page Nowhere\n"
          ":check chkChat maybe\n:choose chMbr\n:wait soon\n:logoff x\n:select zz\n:msg\n"
          ":dump\n:quit now\n:dump chkChat\n");
  EXPECT_EQ(session.process.exit_code, 0);
  const auto errors = Lines(session.process.err);
  EXPECT_THAT(errors,
              ::testing::ElementsAre(HasSubstr(":frobnicate"), "usage: :click NAME COL ROW",
                                     "usage: :page N|LABEL", "usage: :check NAME on|off",
                                     "usage: :choose NAME INDEX", "usage: :wait MS",
                                     "usage: :logoff [TYPE]", "usage: :select ID",
                                     "usage: :msg JSON", "usage: :dump NAME", "usage: :quit"));
  // Neither the bad :quit nor any complaint ended the script.
  EXPECT_EQ(session.Of("checkbox", "chkChat").size(), 1u);
}

TEST_F(WorkbenchTest, ShowDrawsTopRowAndListWithoutColourCodes) {
  const auto session = Run(":choose chMbr 1\n:show Mbr\n:check chkChat on\n:show\n");
  EXPECT_EQ(session.process.exit_code, 0);
  const auto& out = session.process.out;
  EXPECT_THAT(out, HasSubstr("[Online Everyone"));
  EXPECT_THAT(out, HasSubstr("<?>"));
  EXPECT_THAT(out, HasSubstr("lstMbr: 0 rows"));
  EXPECT_THAT(out, HasSubstr("row | 0 | 1 | 2 | 3"));
  // The current page is the first one, with its check box and edit text.
  EXPECT_THAT(out, HasSubstr("[x] afk"));
  EXPECT_THAT(out, HasSubstr("\"Auto reply - I'm currently afk.\""));
  EXPECT_THAT(out, HasSubstr("lstChat: 0 rows"));
  EXPECT_THAT(out, ::testing::Not(HasSubstr("\x1b[")));
  EXPECT_TRUE(session.records.empty());
}

TEST_F(WorkbenchTest, MalformedCharacterFileIsRefusedNamingIt) {
  const auto file = root_ / "broken character.json";
  std::ofstream(file) << R"({"name": "Tester", "level": )";
  const auto session = Run(":dump nbMain\n", {"--character", file.string()});
  EXPECT_EQ(session.process.exit_code, 2);
  EXPECT_THAT(session.process.err, HasSubstr(file.string()));
  EXPECT_TRUE(session.records.empty());
}

TEST(WorkbenchCommandLineTest, ViewXmlPrintsTheViewSchema) {
  const auto result = RunProcess({OSTRAVEL_EXE, "view-xml"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, ViewSchema() + "\n");
}

}  // namespace
}  // namespace ostravel::app

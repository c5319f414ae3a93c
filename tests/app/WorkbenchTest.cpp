#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
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
using ::testing::Not;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The option texts of a choice as the view's XML declares them.
std::vector<std::string> DeclaredOptions(const std::string& choice) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(ViewSchema().c_str()));
  std::vector<std::string> texts;
  const auto control = document.find_node([&](const pugi::xml_node& node) {
    return std::string_view(node.attribute("name").value()) == choice;
  });
  for (const auto& option : control.children("option")) {
    texts.emplace_back(option.attribute("text").value());
  }
  return texts;
}

struct Session {
  ProcessResult process;
  std::vector<json> records;  // the transcript

  // The records of one kind (and, for dumps, of one control), in order.
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
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            ("ostravel-workbench-" + std::string(test->name()) + "-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::filesystem::path Folder() const { return root_ / "plugin"; }
  std::filesystem::path TranscriptFile() const { return root_ / "transcript.jsonl"; }

  // Runs `ostravel run` on the script with a fresh folder and transcript. The folder holds a
  // settings file without content, so that the pages load without complaint.
  Session Run(const std::optional<std::string>& script, std::vector<std::string> extra = {}) {
    if (with_settings_ && !std::filesystem::exists(Folder() / "Ostravel.xml")) {
      std::filesystem::create_directories(Folder());
      std::ofstream(Folder() / "Ostravel.xml") << "<ostravel/>";
    }
    std::vector<std::string> argv = {OSTRAVEL_EXE,      "run",          "--folder",
                                     Folder().string(), "--transcript", TranscriptFile().string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    ProcessOptions options;
    options.input = script;
    Session session{RunProcess(argv, options), {}};
    session.records = ReadTranscript();
    return session;
  }

  // Every line must be one JSON object with a kind: a stray line breaks the readers.
  std::vector<json> ReadTranscript() const {
    std::vector<json> records;
    std::ifstream in(TranscriptFile());
    for (std::string line; std::getline(in, line);) {
      auto record = json::parse(line, nullptr, false);
      EXPECT_FALSE(record.is_discarded()) << "not JSON: " << line;
      EXPECT_TRUE(record.is_object() && record.contains("kind")) << line;
      if (!record.is_discarded()) records.push_back(record);
    }
    return records;
  }

  std::filesystem::path root_;
  bool with_settings_ = true;
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
  std::vector<std::string> texts;
  for (const auto& option : choice["options"]) {
    texts.push_back(option["text"]);
    EXPECT_TRUE(option["data"].is_null()) << option;
  }
  EXPECT_EQ(texts, DeclaredOptions("chMbr"));
  EXPECT_EQ(texts.front(), "Online My Levelrange");
  EXPECT_EQ(texts.back(), "Online Levels: 1-20");
  EXPECT_EQ(session.records[1], (json{{"kind", "notebook"}, {"name", "nbMain"}, {"page", 2}}));
  EXPECT_THAT(session.process.out, HasSubstr("chMbr"));
}

TEST_F(WorkbenchTest, ControlCommandsChangeWhatDumpsShow) {
  const auto session =
      Run(":page qst\n:dump nbMain\n:page 5\n:dump nbMain\n"
          ":choose chMbr 3\n:dump chMbr\n"
          ":check chkChat on\n:dump chkChat\n:check chkChat OFF\n:dump chkChat\n"
          ":edit txtChat back in  5 minutes\n:dump txtChat\n:edit txtChat\n:dump txtChat\n"
          ":dump lstChat\n:dump chIRC\n");

  EXPECT_EQ(session.process.exit_code, 0);
  EXPECT_EQ(session.process.err, "");
  const auto pages = session.Of("notebook", "nbMain");
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0]["page"], 4);
  EXPECT_EQ(pages[1]["page"], 5);
  ASSERT_EQ(session.Of("choice", "chMbr").size(), 1u);
  EXPECT_EQ(session.Of("choice", "chMbr")[0]["selected"], 3);
  const auto boxes = session.Of("checkbox", "chkChat");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0]["checked"], true);
  EXPECT_EQ(boxes[1]["checked"], false);
  const auto edits = session.Of("edit", "txtChat");
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_EQ(edits[0]["text"], "back in  5 minutes");
  EXPECT_EQ(edits[1]["text"], "");
  EXPECT_EQ(session.Of("list", "lstChat"),
            (std::vector<json>{{{"kind", "list"}, {"name", "lstChat"}, {"rows", json::array()}}}));
  const auto empty_choice = session.Of("choice", "chIRC");
  ASSERT_EQ(empty_choice.size(), 1u);
  EXPECT_EQ(empty_choice[0]["selected"], -1);
  EXPECT_EQ(empty_choice[0]["options"], json::array());
}

TEST_F(WorkbenchTest, TypedLineReachesTheGame) {
  const auto session = Run("hello, world\n  \n@who\n");

  EXPECT_EQ(session.process.exit_code, 0);
  const auto games = session.Of("game");
  ASSERT_EQ(games.size(), 2u);
  EXPECT_EQ(games[0], (json{{"kind", "game"}, {"text", "hello, world"}}));
  EXPECT_EQ(games[1]["text"], "@who");
  EXPECT_THAT(session.process.out, HasSubstr("game> hello, world"));
}

TEST_F(WorkbenchTest, BadCommandsPrintUsageAndTheScriptGoesOn) {
  const auto session =
      Run(":frobnicate\n:click lstMbr x 1\n:click lstMbr 1\n:page Nowhere\n:page 7\n"
          ":check chkChat maybe\n:choose chMbr\n:wait soon\n:logoff x\n:select zz\n:msg\n"
          ":dump\n:quit now\n:dump chkChat\n");

  EXPECT_EQ(session.process.exit_code, 0);
  const auto errors = Lines(session.process.err);
  EXPECT_THAT(errors,
              ::testing::ElementsAre(HasSubstr(":frobnicate"), "usage: :click NAME COL ROW",
                                     "usage: :click NAME COL ROW", "usage: :page N|LABEL",
                                     "usage: :page N|LABEL", "usage: :check NAME on|off",
                                     "usage: :choose NAME INDEX", "usage: :wait MS",
                                     "usage: :logoff [TYPE]", "usage: :select ID",
                                     "usage: :msg JSON", "usage: :dump NAME", "usage: :quit"));
  // Neither the bad :quit nor any complaint ended the script.
  EXPECT_EQ(session.Of("checkbox", "chkChat").size(), 1u);
}

TEST_F(WorkbenchTest, CommandsOnMissingThingsNameTheProblem) {
  const auto session =
      Run(":press btnNope\n:dump chkChat2\n:choose chkChat 0\n:choose chMbr 99\n"
          ":click lstMbr 0 0\n:msg {\"type\":\n:dump nbMain\n");

  EXPECT_EQ(session.process.exit_code, 0);
  const auto errors = Lines(session.process.err);
  ASSERT_EQ(errors.size(), 6u) << session.process.err;
  EXPECT_THAT(errors[0], HasSubstr(":press: the view has no control named btnNope"));
  EXPECT_THAT(errors[1], HasSubstr(":dump: the view has no control named chkChat2"));
  EXPECT_THAT(errors[2], HasSubstr(":choose: chkChat is not a choice"));
  EXPECT_THAT(errors[3], HasSubstr(":choose:"));
  EXPECT_THAT(errors[4], HasSubstr(":click:"));
  EXPECT_THAT(errors[5], HasSubstr(":msg:"));
  EXPECT_EQ(session.Of("notebook").size(), 1u);
}

TEST_F(WorkbenchTest, HostCommandsAcceptTheirArguments) {
  const auto started = std::chrono::steady_clock::now();
  const auto session =
      Run(":login\n:select 0x50000001\n:select 1342177281\n:location 0xA9B40019\n"
          ":location 4294967295\n:msg {\"type\": 1, \"fields\": {}}\n:tick\n:wait 300\n:settle\n"
          ":logoff\n:logoff 2\n:press btnMbr\n:click lstMbr  0 0\n");
  const auto elapsed = std::chrono::steady_clock::now() - started;

  EXPECT_EQ(session.process.exit_code, 0);
  // The one expected complaint: the empty list has no cell to click.
  EXPECT_EQ(Lines(session.process.err).size(), 1u) << session.process.err;
  EXPECT_THAT(session.process.err, HasSubstr(":click:"));
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));
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
  EXPECT_THAT(out, Not(HasSubstr("\x1b[")));
  EXPECT_TRUE(session.records.empty());
}

TEST_F(WorkbenchTest, HiddenColumnsStayHidden) {
  const auto session = Run(":show Msg\n");

  // lstMsg has five columns; the last one has width 0 and is not drawn.
  EXPECT_THAT(session.process.out, HasSubstr("row | 0 | 1 | 2 | 3\n"));
  EXPECT_THAT(session.process.out, Not(HasSubstr("| 4")));
}

TEST_F(WorkbenchTest, HelpListsEveryCommand) {
  const auto session = Run(":help\n");

  for (const char* usage : {":login", ":logoff [TYPE]", ":msg JSON", ":select ID", ":location N",
                            ":page N|LABEL", ":choose NAME INDEX", ":check NAME on|off",
                            ":edit NAME TEXT", ":press NAME", ":click NAME COL ROW", ":show [PAGE]",
                            ":dump NAME", ":tick", ":wait MS", ":settle", ":help", ":quit"}) {
    EXPECT_THAT(session.process.out, HasSubstr(usage));
  }
  EXPECT_EQ(session.process.err, "");
}

TEST_F(WorkbenchTest, EndOfInputEndsTheSessionCleanly) {
  EXPECT_EQ(Run("").process.exit_code, 0);
  EXPECT_EQ(Run(std::nullopt).process.exit_code, 0);  // no standard input at all
  const auto unfinished = Run(":dump nbMain");        // the last line has no line end
  EXPECT_EQ(unfinished.process.exit_code, 0);
  EXPECT_EQ(unfinished.Of("notebook").size(), 1u);
  const auto quit = Run(":quit\n:dump nbMain\nhello\n");
  EXPECT_EQ(quit.process.exit_code, 0);
  EXPECT_TRUE(quit.records.empty()) << "lines after :quit ran";
}

TEST_F(WorkbenchTest, ScriptWithWindowsLineEndsWorks) {
  const auto session = Run(":page Mbr\r\n:dump nbMain\r\nhi\r\n");

  EXPECT_EQ(session.process.err, "");
  ASSERT_EQ(session.Of("notebook").size(), 1u);
  EXPECT_EQ(session.Of("notebook")[0]["page"], 2);
  ASSERT_EQ(session.Of("game").size(), 1u);
  EXPECT_EQ(session.Of("game")[0]["text"], "hi");
}

TEST_F(WorkbenchTest, TranscriptStartsAfreshAndFolderIsCreated) {
  std::ofstream(TranscriptFile()) << "old line that is not JSON\n";
  with_settings_ = false;
  ASSERT_FALSE(std::filesystem::exists(Folder()));

  const auto session = Run("hi\n");

  EXPECT_EQ(session.Of("game").size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(Folder()));
  // Without a settings file the pages that read it say so, and the plug-in runs on.
  for (const auto& chat : session.Of("chat")) {
    EXPECT_THAT(chat["text"].get<std::string>(), HasSubstr("Ostravel.xml not found"));
  }
  EXPECT_FALSE(std::filesystem::exists(Folder() / "Ostravel.xml"));
}

TEST_F(WorkbenchTest, WithoutTranscriptNothingIsWritten) {
  ProcessOptions options;
  options.input = "hi\n:dump nbMain\n";
  options.cwd = root_;
  const auto result = RunProcess({OSTRAVEL_EXE, "run"}, options);

  EXPECT_EQ(result.exit_code, 0);
  EXPECT_THAT(result.out, HasSubstr("game> hi"));
  EXPECT_FALSE(std::filesystem::exists(TranscriptFile()));
}

TEST_F(WorkbenchTest, MalformedCharacterFileIsRefusedNamingIt) {
  const auto file = root_ / "broken character.json";
  std::ofstream(file) << R"({"name": "Tester", "level": )";

  const auto session = Run(":dump nbMain\n", {"--character", file.string()});

  EXPECT_EQ(session.process.exit_code, 2);
  EXPECT_THAT(session.process.err, HasSubstr(file.string()));
  EXPECT_TRUE(session.records.empty());
}

TEST_F(WorkbenchTest, CharacterFileOfTheWrongKindOrMissingIsRefused) {
  const auto wrong = root_ / "wrong.json";
  std::ofstream(wrong) << R"({"level": "high"})";
  const auto missing = root_ / "missing.json";

  for (const auto& file : {wrong, missing}) {
    const auto session = Run("", {"--character", file.string()});
    EXPECT_EQ(session.process.exit_code, 2);
    EXPECT_THAT(session.process.err, HasSubstr(file.string()));
  }
}

TEST_F(WorkbenchTest, WellFormedCharacterFileIsTaken) {
  const auto file = root_ / "character.json";
  std::ofstream(file) << R"({"name": "Tester", "level": 42})";

  const auto session = Run(":dump nbMain\n", {"--character", file.string()});

  EXPECT_EQ(session.process.exit_code, 0) << session.process.err;
  EXPECT_EQ(session.Of("notebook").size(), 1u);
}

TEST_F(WorkbenchTest, BadCodePageIsRefused) {
  for (const char* number : {"abc", "99999"}) {
    const auto session = Run("", {"--codepage", number});
    EXPECT_EQ(session.process.exit_code, 2) << number;
    EXPECT_THAT(session.process.err, HasSubstr(number));
  }
  EXPECT_EQ(Run(":dump nbMain\n", {"--codepage", "932"}).process.exit_code, 0);
}

TEST(WorkbenchCommandLineTest, ViewXmlPrintsTheViewSchema) {
  const auto result = RunProcess({OSTRAVEL_EXE, "view-xml"});

  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, ViewSchema() + "\n");
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(result.out.c_str()));
  EXPECT_STREQ(document.child("view").attribute("title").value(), "Ostravel");
}

TEST(WorkbenchCommandLineTest, MissingOrUnknownSubcommandIsRefused) {
  EXPECT_EQ(RunProcess({OSTRAVEL_EXE}).exit_code, 2);
  EXPECT_EQ(RunProcess({OSTRAVEL_EXE, "fly"}).exit_code, 2);
  EXPECT_EQ(RunProcess({OSTRAVEL_EXE, "run", "--speed", "9"}).exit_code, 2);
}

}  // namespace
}  // namespace ostravel::app

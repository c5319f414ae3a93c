// The character's key end to end: the plug-in in the workbench, and its web requests in
// process, against a running ostravel-service that gives keys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "ServiceProcess.h"
#include "common/Context.h"
#include "support/RecordingHooks.h"
#include "support/RunProcess.h"
#include "support/TestEnvironment.h"
#include "web/Settings.h"
#include "web/WebRequest.h"

namespace ostravel::test {
namespace {

using test_support::ProcessOptions;
using test_support::RunProcess;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::int32_t kSampleId = 1342177295;  // "Ostra Vel", the workbench's own character
constexpr std::int32_t kSecondId = 1342177500;
constexpr const char* kMotd = "Court at eight";
constexpr const char* kWrongKey = "The key this request carries for character 1342177295 is wrong";
constexpr const char* kMissingKey = "Character 1342177295 has a key, and this request carries none";

class WorkbenchKeyTest : public ::testing::Test {
 protected:
  WorkbenchKeyTest() : service_(Database()) {
    EXPECT_EQ(Admin({"motd", "--db", Database().string(), kMotd}), 0);
    for (const TempFolder* folder : {&home_, &elsewhere_}) {
      std::ofstream(folder->Path() / "Ostravel.xml")
          << "<?xml version=\"1.0\"?>\n<ostravel>\n  <server url=\"" << service_.Url()
          << "\"/>\n  <update/>\n</ostravel>\n";
    }
    std::ofstream(home_.Path() / "second.json")
        << R"({"id": 1342177500, "name": "Wren Second", "server": "Darktide", "level": 30})";
  }

  std::filesystem::path Database() const { return data_.Path() / "allegiance.sqlite"; }

  static int Admin(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {ServiceExe()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProcess(argv).exit_code;
  }

  // A session of the workbench in `folder` that logs in, sends the character's record and asks
  // who the sample character is; the chat lines it printed come back.
  static std::vector<std::string> LogIn(const TempFolder& folder, bool second = false) {
    const auto transcript = folder.Path() / "transcript.jsonl";
    std::filesystem::remove(transcript);
    std::vector<std::string> argv = {OSTRAVEL_EXE,           "run",          "--folder",
                                     folder.Path().string(), "--transcript", transcript.string()};
    if (second) argv.insert(argv.end(), {"--character", (folder.Path() / "second.json").string()});
    ProcessOptions options;
    options.input = ":login\n:settle\n@mbr update\n:settle\n@mbr whois Ostra Vel\n:settle\n:quit\n";
    const auto result = RunProcess(argv, options);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    std::vector<std::string> chat;
    std::ifstream in(transcript);
    for (std::string line; std::getline(in, line);) {
      const auto record = nlohmann::json::parse(line);
      if (record["kind"] == "chat") chat.push_back(record["text"].get<std::string>());
    }
    return chat;
  }

  static std::string KeyIn(const TempFolder& folder, std::int32_t cid) {
    const auto code_page = platform::CodePage::Open(1252);
    return Settings(folder.Path(), *code_page).CharacterKey(cid);
  }

  TempFolder data_;
  TempFolder home_;
  TempFolder elsewhere_;
  ServiceProcess service_;
};

TEST_F(WorkbenchKeyTest, AFirstLoginKeepsItsKeyAcrossRestartsAndAnotherFolderIsToldWhy) {
  EXPECT_THAT(LogIn(home_), Contains(HasSubstr(kMotd)));
  const std::string key = KeyIn(home_, kSampleId);
  ASSERT_EQ(key.size(), 43u);
  const auto again = LogIn(home_);
  EXPECT_THAT(again, Contains(HasSubstr(kMotd)));
  EXPECT_THAT(again, Contains(HasSubstr("Name: Ostra Vel")));
  EXPECT_EQ(KeyIn(home_, kSampleId), key);

  // The same character from a folder without the key: one clear line, and no answer.
  const auto refused = LogIn(elsewhere_);
  EXPECT_THAT(refused, Contains("OV>> " + std::string(kMissingKey) +
                                ": the key is kept by the game client that first logged the "
                                "character in. Play from there, or ask an officer to reset it "
                                "(@mbr resetkey NAME; an admin: ostravel-service reset-key) and "
                                "log in again."));
  EXPECT_THAT(refused, Not(Contains(HasSubstr(kMotd))));
  EXPECT_THAT(refused, Not(Contains(HasSubstr("Name: Ostra Vel"))));
  EXPECT_EQ(KeyIn(elsewhere_, kSampleId), "");

  // After the admin's reset the other folder is the character's home, and the old key is
  // refused.
  ASSERT_EQ(Admin({"reset-key", "--db", Database().string(), "Ostra Vel"}), 0);
  EXPECT_THAT(LogIn(elsewhere_), Contains(HasSubstr("Name: Ostra Vel")));
  const std::string new_key = KeyIn(elsewhere_, kSampleId);
  EXPECT_EQ(new_key.size(), 43u);
  EXPECT_NE(new_key, key);
  const auto old_home = LogIn(home_);
  EXPECT_THAT(old_home, Contains(HasSubstr(kWrongKey)));
  EXPECT_THAT(old_home, Not(Contains(HasSubstr("Name: Ostra Vel"))));
  EXPECT_EQ(KeyIn(home_, kSampleId), key);
}

TEST_F(WorkbenchKeyTest, TwoCharactersInOneFolderKeepBothKeys) {
  EXPECT_THAT(LogIn(home_), Contains(HasSubstr(kMotd)));
  EXPECT_THAT(LogIn(home_, true), Contains(HasSubstr(kMotd)));
  const std::string first = KeyIn(home_, kSampleId);
  const std::string second = KeyIn(home_, kSecondId);
  EXPECT_EQ(first.size(), 43u);
  EXPECT_EQ(second.size(), 43u);
  EXPECT_NE(first, second);
  for (const bool as_second : {false, true}) {
    const auto chat = LogIn(home_, as_second);
    EXPECT_THAT(chat, Contains(HasSubstr(kMotd)));
    EXPECT_THAT(chat, Contains(HasSubstr("Name: Ostra Vel")));
    EXPECT_THAT(chat, Not(Contains(HasSubstr("has a key"))));
    EXPECT_THAT(chat, Not(Contains(HasSubstr("is wrong"))));
  }
  EXPECT_EQ(KeyIn(home_, kSampleId), first);
  EXPECT_EQ(KeyIn(home_, kSecondId), second);
}

// Right after a first login every page asks at once, none with a key yet: all are served,
// and the one key they all bring is kept.
TEST_F(WorkbenchKeyTest, EightFirstRequestsAtOnceAreAllServed) {
  TestEnvironment env;
  env.WriteSettings("<ostravel><update/></ostravel>");
  Context ctx(env.Env());
  ctx.ACHooks = std::make_shared<RecordingHooks>();
  ctx.CharacterID = kSampleId;
  ctx.CharacterName = "Ostra Vel";
  std::vector<std::unique_ptr<WebRequest>> pages;
  std::vector<host::Connection> connections;
  std::vector<std::string> answers;
  for (int i = 0; i < 8; ++i) {
    pages.push_back(std::make_unique<WebRequest>(ctx));
    connections.push_back(pages.back()->Response.Connect(
        [&](const std::string& text, const std::string&) { answers.push_back(text); }));
    wire::FormBody body(*env.code_page);
    body.Add("CID", std::to_string(kSampleId)).Add("args", "motd");
    pages.back()->Post(service_.Url() + "message.php", body, "Print");
  }
  ASSERT_TRUE(env.Settle());
  EXPECT_THAT(answers, ::testing::AllOf(::testing::SizeIs(8), ::testing::Each(HasSubstr(kMotd))));
  const std::string key = Settings(env.Env()).CharacterKey(kSampleId);
  EXPECT_EQ(key.size(), 43u);
  answers.clear();
  pages.front()->Post(service_.Url() + "message.php",
                      wire::FormBody(*env.code_page).Add("CID", "1342177295").Add("args", "motd"),
                      "Print");
  ASSERT_TRUE(env.Settle());
  EXPECT_THAT(answers, ::testing::ElementsAre(HasSubstr(kMotd)));
  EXPECT_TRUE(static_cast<RecordingHooks&>(*ctx.ACHooks).chat.empty());
}

}  // namespace
}  // namespace ostravel::test

// The plug-in itself, in the workbench's simulated host, against a running ostravel-service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "ServiceProcess.h"
#include "ServiceTestSupport.h"
#include "support/RunProcess.h"

namespace ostravel::test {
namespace {

using nlohmann::json;
using test_support::ProcessOptions;
using test_support::RunProcess;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;

constexpr std::int32_t kSecondId = 1342177500;

class WorkbenchServiceTest : public ::testing::Test {
 protected:
  WorkbenchServiceTest() : service_(folder_.Path() / "allegiance.sqlite") {
    std::ofstream(folder_.Path() / "Ostravel.xml")
        << "<?xml version=\"1.0\"?>\n<ostravel>\n  <server url=\"" << service_.Url()
        << "\"/>\n  <chathelper savelines=\"20\"/>\n  <update/>\n  <irc/>\n</ostravel>\n";
    // What CharPostString reads of a character: its attributes and vitals besides the basics.
    std::ofstream(folder_.Path() / "second.json")
        << R"({"id": 1342177500, "name": "Wren Second", "server": "Darktide", "level": 30,)"
        << R"( "class": "Bow Hunter", "race": "Sho", "gender": "Female", "location": 2103705619,)"
        << R"( "attributes": {"1": {"start": 10, "current": 50}, "2": {"start": 10, "current": 50},)"
        << R"( "3": {"start": 10, "current": 50}, "4": {"start": 10, "current": 50},)"
        << R"( "5": {"start": 10, "current": 50}, "6": {"start": 10, "current": 50}},)"
        << R"( "vitals": {"1": 90, "2": 90, "3": 100, "4": 100, "5": 80, "6": 80}})";
  }

  // Runs the workbench on the script as the sample character or another; the transcript's
  // records come back.
  std::vector<json> Play(const std::string& script, bool second = false) {
    const auto transcript = folder_.Path() / "transcript.jsonl";
    std::filesystem::remove(transcript);
    std::vector<std::string> argv = {OSTRAVEL_EXE,   "run",
                                     "--folder",     folder_.Path().string(),
                                     "--transcript", transcript.string()};
    if (second) argv.insert(argv.end(), {"--character", (folder_.Path() / "second.json").string()});
    ProcessOptions options;
    options.input = script + ":quit\n";
    const auto result = RunProcess(argv, options);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    std::vector<json> records;
    std::ifstream in(transcript);
    for (std::string line; std::getline(in, line);) records.push_back(json::parse(line));
    return records;
  }

  static std::vector<std::string> Chat(const std::vector<json>& records) {
    std::vector<std::string> lines;
    for (const auto& record : records) {
      if (record["kind"] == "chat") lines.push_back(record["text"].get<std::string>());
    }
    return lines;
  }

  // Column 1 of every row of the dumped list.
  static std::vector<std::string> Names(const std::vector<json>& records, const char* list) {
    std::vector<std::string> names;
    for (const auto& record : records) {
      if (record["kind"] != "list" || record["name"] != list) continue;
      for (const auto& row : record["rows"]) names.push_back(row["cells"][1].get<std::string>());
    }
    return names;
  }

  TempFolder folder_;
  ServiceProcess service_;
};

TEST_F(WorkbenchServiceTest, TwoCharactersMeetTalkAndPlanThroughTheService) {
  ASSERT_EQ(RunProcess({ServiceExe(), "motd", "--db",
                        (folder_.Path() / "allegiance.sqlite").string(), "Court at eight"})
                .exit_code,
            0);
  const auto first = Play(
      ":login\n:settle\n@mbr update\n:settle\n"
      "@event add tomorrow 20:00 Raid night, bring keys\n:settle\n");
  EXPECT_THAT(Chat(first), Contains(HasSubstr("Court at eight")));
  EXPECT_THAT(Chat(first), Contains(HasSubstr("Info: Character Ostra Vel updated")));
  EXPECT_THAT(Chat(first), Contains(HasSubstr("Event 1 added: Raid night")));

  const auto second = Play(
      ":login\n:settle\n@mbr update\n:settle\n@mbr whois Ostra Vel\n:settle\n"
      ":page Mbr\n:choose chMbr 1\n:settle\n:dump lstMbr\n"
      "@msg send Ostra Vel Caf\xC3\xA9 & \"tea\" at 'eight'\n:settle\n",
      true);
  EXPECT_THAT(Chat(second), Contains(HasSubstr("Name: Ostra Vel  Level: ")));
  EXPECT_THAT(Names(second, "lstMbr"), IsSupersetOf({"Ostra Vel", "Wren Second"}));
  EXPECT_THAT(Chat(second), Contains(HasSubstr("Message 1 to Ostra Vel stored.")));

  // A fellowship report as the Groups tab of the leader posts it. It goes without the key
  // Wren's plug-in keeps, so that key is forgotten first and the post is given a new one.
  ASSERT_EQ(RunProcess({ServiceExe(), "reset-key", "--db",
                        (folder_.Path() / "allegiance.sqlite").string(), "Wren Second"})
                .exit_code,
            0);
  httplib::Client client("127.0.0.1", service_.Port());
  const std::string report = StdFields(kSecondId) +
                             "&FellowshipName=Night Watch&SharedXp=True&LeaderCID=1342177500"
                             "&LeaderName=Wren Second&LeaderLevel=30&Fellows=1"
                             "&Fellow1CID=1342177500&Fellow1Name=Wren Second&Fellow1Level=30";
  ASSERT_EQ(client.Post("/fellowship.php", report, "application/x-www-form-urlencoded")->status,
            200);

  const auto third = Play(
      ":login\n:settle\n:page Msg\n:choose chMsg 0\n:settle\n:click lstMsg 2 0\n:settle\n"
      ":page Qst\n:choose chQst 1\n:settle\n:dump lstQst\n"
      ":page Grp\n:choose chGrp 0\n:settle\n:dump lstGrp\n");
  EXPECT_THAT(Chat(third), Contains(HasSubstr("You have 1 new message(s)")));
  EXPECT_THAT(Chat(third), Contains(HasSubstr("Caf\xC3\xA9 & \"tea\" at 'eight'")));
  EXPECT_THAT(Names(third, "lstQst"), Contains("Raid night"));
  EXPECT_THAT(Names(third, "lstGrp"), IsSupersetOf({"Night Watch", "Wren Second"}));
  EXPECT_EQ(service_.Stop(SIGTERM), 0) << service_.Errors();
}

}  // namespace
}  // namespace ostravel::test

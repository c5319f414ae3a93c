#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/DemoService.h"
#include "common/OstravelLib.h"
#include "platform/DateTime.h"

namespace ostravel::app {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::int32_t kCaller = 1342177295;  // the workbench's sample character
constexpr std::uint32_t kTown = 0x7D640013;   // where it stands
const platform::DateTime kNow{2025, 6, 1, 14, 30, 0};

platform::DateTime FixedNow() {
  return kNow;
}

// The body as the plug-in's HTTPEncoder writes it: "&" and "=" pass, so fields stay apart.
std::string Encode(std::string_view text) {
  std::string out;
  for (const unsigned char c : text) {
    if (std::isalnum(c) ||
        std::string_view("*@._-&=").find(static_cast<char>(c)) != std::string_view::npos) {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

struct Caller {
  std::int32_t id = kCaller;
  std::uint32_t location = kTown;
  bool wants_fellowship = false;
};

std::string StdFields(const Caller& caller) {
  return "CID=" + std::to_string(caller.id) +
         "&MID=1342177281&Location=" + std::to_string(caller.location) +
         "&Localtime=6/1/2025 2:30:00 PM&FLID=0" +
         "&WantFellowship=" + (caller.wants_fellowship ? "1" : "0");
}

// A character record as CharPostString builds it, line feeds inside values included.
std::string CharRecord(const Caller& caller, const std::string& name, int level,
                       const std::string& share = "1") {
  return StdFields(caller) + "&Name=" + name + "&Server=Darktide&Birth=2004-06-07 00:00:00" +
         "&Age=3600000&Deaths=12&Class=Adventurer&Gender=Female&Level=" + std::to_string(level) +
         "&Race=Aluvian&Rank=5&SkillPoints=0&TotalXp=0&UnassignedXp=0&ProducedXp=0&Followers=3" +
         "&Vassals=2&Pk=0&Share=" + share + "\n\n&StartStrength=10&Strength=140\n\n" +
         "&Health=285&Stamina=380&Mana=420\n\n&StateLockpick=2&Lockpick=273&StateCooking=1" +
         "&Cooking=159&StateAlchemy=3&Alchemy=418\n\n&MonarchCID=1342177281" +
         "&MonarchName=Queen Ann\n\n&PatronName=Sir Wendel\n\n";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The values of one key over the lines of an answer, as a tab reads them.
std::vector<std::string> Column(const std::string& answer, std::string_view key) {
  std::vector<std::string> values;
  for (const auto& line : Lines(answer)) {
    const std::string value = ValFromStr(line, key);
    if (!value.empty()) values.push_back(value);
  }
  return values;
}

class DemoServiceTest : public ::testing::Test {
 protected:
  std::string Ask(std::string_view script, std::string_view args, const Caller& caller = {}) {
    return service_.Handle(script, Encode(StdFields(caller) + "&args=" + std::string(args)));
  }
  std::string Update(const Caller& caller, const std::string& name, int level) {
    return service_.Handle("update.php", Encode(CharRecord(caller, name, level)));
  }

  DemoService service_{1252, FixedNow};
};

// --- member.php ------------------------------------------------------------------------------

struct ListCase {
  const char* args;
  int above;  // every level is above this ...
  int below;  // ... and below this
  bool online_only;
};

TEST_F(DemoServiceTest, EveryMemberListOfTheMembersPageGivesRowsThatMatchIt) {
  const ListCase cases[] = {
      {"list online", 0, 1000, true},
      {"list magistrate", 0, 1000, false},
      {"list pkgeneral", 0, 1000, false},
      {"list chainmanager", 0, 1000, false},
      {"list questmaster", 0, 1000, false},
      {"list brt", 0, 1000, false},
      {"list reporter", 0, 1000, false},
      {"list online nearby", 0, 1000, true},
      {"list online pk", 0, 1000, true},
      {"list online lockpick", 0, 1000, true},
      {"list online armortinkering", 0, 1000, true},
      {"list online weapontinkering", 0, 1000, true},
      {"list online magicitemtinkering", 0, 1000, true},
      {"list online itemtinkering", 0, 1000, true},
      {"list online alchemy", 0, 1000, true},
      {"list online cooking", 0, 1000, true},
      {"list online fletching", 0, 1000, true},
      {"list online level>99", 99, 1000, true},
      {"list online level>79 level<101", 79, 101, true},
      {"list online level>59 level<81", 59, 81, true},
      {"list online level>39 level<61", 39, 61, true},
      {"list online level>19 level<41", 19, 41, true},
      {"list online level<21", 0, 21, true},
      {"list online level>29 level<71", 29, 71, true},
      {"list online level>105", 105, 1000, true},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string answer = Ask("member.php", c.args);
    const auto lines = Lines(answer);
    ASSERT_THAT(lines, Not(IsEmpty()));
    for (const auto& line : lines) {
      ASSERT_THAT(ValFromStr(line, "Name"), Not(IsEmpty())) << line;
      const int level = std::stoi(ValFromStr(line, "Level"));
      EXPECT_GT(level, c.above);
      EXPECT_LT(level, c.below);
      EXPECT_THAT(ValFromStr(line, "Template"), Not(IsEmpty()));
      if (c.online_only) {
        EXPECT_EQ(ValFromStr(line, "Online"), "True");
      }
    }
  }
}

TEST_F(DemoServiceTest, LevelBoundsAreExclusive) {
  EXPECT_THAT(Column(Ask("member.php", "list online level>39 level<61"), "Name"),
              Contains("Tam Brightwater"));  // level 40
  EXPECT_THAT(Column(Ask("member.php", "list online level>40 level<61"), "Name"),
              Not(Contains("Tam Brightwater")));
  EXPECT_THAT(Column(Ask("member.php", "list online level<40"), "Name"),
              Not(Contains("Tam Brightwater")));
}

TEST_F(DemoServiceTest, StaffListsShowOfflineMembersToo) {
  const std::string answer = Ask("member.php", "list magistrate");
  EXPECT_THAT(answer,
              HasSubstr("Name: Old Bertram  Level: 240  Template: Adventurer  Online: False"));
  EXPECT_THAT(answer, HasSubstr("Name: Queen Ann  Level: 275  Template: War Mage  Online: True"));
}

TEST_F(DemoServiceTest, NearbyMeansOnlineAtTheCallersLocation) {
  EXPECT_THAT(Column(Ask("member.php", "list online nearby"), "Name"), Contains("Queen Ann"));
  const std::string elsewhere = Ask("member.php", "list online nearby", {kCaller, 0x12340001});
  EXPECT_THAT(Column(elsewhere, "Name"), IsEmpty());
  EXPECT_EQ(elsewhere, "No members match this list.");
}

TEST_F(DemoServiceTest, UnknownListFilterIsNamed) {
  EXPECT_THAT(Ask("member.php", "list online dancing"),
              AllOf(StartsWith("Unknown list filter \"dancing\""), HasSubstr("lockpick")));
}

TEST_F(DemoServiceTest, WhoisFindsMembersAndFriendsWhateverTheLetterCase) {
  const std::string record = Ask("member.php", "Whois queen ann");
  EXPECT_EQ(ValFromStr(record, "Name"), "Queen Ann");
  EXPECT_EQ(ValFromStr(record, "Staff"), "magistrate");
  EXPECT_EQ(ValFromStr(Ask("member.php", "whois Rurik Ironhand"), "Allegiance"), "Sable Guard");
  EXPECT_EQ(Ask("member.php", "whois Nobody Here"), "No member named Nobody Here.");
  EXPECT_THAT(Ask("member.php", "whois "), StartsWith("Usage: whois"));
}

TEST_F(DemoServiceTest, FriendsAreNotMembersOfTheAllegiance) {
  EXPECT_THAT(Column(Ask("member.php", "friends"), "Name"),
              testing::ElementsAre("Rurik Ironhand", "Ama Sunweaver"));
  EXPECT_THAT(Column(Ask("member.php", "list online"), "Name"), Not(Contains("Rurik Ironhand")));
}

TEST_F(DemoServiceTest, FellowshipLinesReadAsTheGroupsPageReadsThem) {
  const auto lines = Lines(Ask("member.php", "fellowships"));
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& line : lines) {
    SCOPED_TRACE(line);
    // "Fellows" is the start of "Fellowship": it must be found in its own field first.
    EXPECT_THAT(ValFromStr(line, "Fellows"), testing::MatchesRegex("[0-9]+"));
    EXPECT_THAT(ValFromStr(line, "Fellowship"), Not(IsEmpty()));
    EXPECT_THAT(ValFromStr(line, "Name"), Not(IsEmpty()));
  }
  EXPECT_THAT(lines, Contains(HasSubstr("Fellows: 3  Fellowship: Stonebreakers  Name: Garrick "
                                        "Stone  Level: 150")));
}

TEST_F(DemoServiceTest, SoloPlayersWantAGroupAndHaveNone) {
  EXPECT_THAT(Column(Ask("member.php", "list online wantgroup soloplayer"), "Name"),
              testing::UnorderedElementsAre("Tam Brightwater", "Dunstan Reeve", "Brother Osric"));
  // Tam joins a fellowship that Dunstan leads.
  const Caller dunstan{1342177416, kTown, true};
  service_.Handle("fellowship.php",
                  Encode(StdFields(dunstan) +
                         "&FellowshipName=Night Owls&SharedXp=True&LeaderCID=1342177416"
                         "&LeaderName=Dunstan Reeve&LeaderLevel=19&Fellows=2"
                         "&Fellow1CID=1342177416&Fellow1Name=Dunstan Reeve&Fellow1Level=19"
                         "&Fellow2CID=1342177310&Fellow2Name=Tam Brightwater&Fellow2Level=40"));
  EXPECT_THAT(Column(Ask("member.php", "list online wantgroup soloplayer"), "Name"),
              testing::ElementsAre("Brother Osric"));
  EXPECT_THAT(Column(Ask("member.php", "fellowships"), "Fellowship"), Contains("Night Owls"));
}

TEST_F(DemoServiceTest, FellowshipReportWithoutFellowsEndsTheRecord) {
  const Caller garrick{1342177372};
  EXPECT_EQ(service_.Handle("fellowship.php",
                            Encode(StdFields(garrick) + "&FellowshipName=0&SharedXp=True"
                                                        "&LeaderCID=0&LeaderName=Garrick Stone"
                                                        "&LeaderLevel=150&Fellows=0")),
            "No fellowship: your fellowship record is removed.");
  EXPECT_THAT(Column(Ask("member.php", "fellowships"), "Fellowship"),
              testing::ElementsAre("Dawn Patrol"));
}

TEST_F(DemoServiceTest, HelpForNoArgumentAndAHintForAnUnknownCommand) {
  EXPECT_THAT(Ask("member.php", ""), AllOf(HasSubstr("whois NAME"), HasSubstr("level>N")));
  EXPECT_EQ(Ask("member.php", "dance"),
            "Unknown command \"dance\". Type @member without arguments for help.");
  EXPECT_THAT(Ask("event.php", "dance"), HasSubstr("@event"));
}

// --- update.php ------------------------------------------------------------------------------

TEST_F(DemoServiceTest, CharacterUpdateAnswersInfoLinesAndMakesAnOnlineMember) {
  const auto lines = Lines(Update({}, "Ostra Vel", 126));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "Info: Character Ostra Vel updated  Help: Your record is shared with the "
            "allegiance.");
  EXPECT_THAT(lines, Contains("Info: Level 126"));
  for (const auto& line : lines) EXPECT_THAT(ValFromStr(line, "Info"), Not(IsEmpty()));

  const std::string record = Ask("member.php", "whois ostra vel");
  EXPECT_EQ(ValFromStr(record, "Online"), "True");
  EXPECT_EQ(ValFromStr(record, "Template"), "Adventurer");
  EXPECT_EQ(ValFromStr(record, "Patron"), "Sir Wendel");  // the LF pair is not part of it
  // Trained (2) and specialised (3) skills count, untrained (1) does not.
  EXPECT_THAT(Column(Ask("member.php", "list online lockpick"), "Name"), Contains("Ostra Vel"));
  EXPECT_THAT(Column(Ask("member.php", "list online alchemy"), "Name"), Contains("Ostra Vel"));
  EXPECT_THAT(Column(Ask("member.php", "list online cooking"), "Name"), Not(Contains("Ostra Vel")));
  EXPECT_THAT(Column(Ask("member.php", "list online level>125 level<127"), "Name"),
              testing::ElementsAre("Ostra Vel"));
}

TEST_F(DemoServiceTest, UpdateWithoutANameIsRefusedOnAnInfoLine) {
  const std::string answer = service_.Handle("update.php", Encode(StdFields({})));
  EXPECT_EQ(ValFromStr(answer, "Info"), "Update refused");
}

TEST_F(DemoServiceTest, PrivateRecordShowsOnlyTheListFields) {
  service_.Handle("update.php", Encode(CharRecord({}, "Ostra Vel", 120, "0")));
  const std::string record = Ask("member.php", "whois Ostra Vel");
  EXPECT_EQ(ValFromStr(record, "Level"), "120");
  EXPECT_THAT(ValFromStr(record, "Race"), IsEmpty());
}

// --- message.php -----------------------------------------------------------------------------

TEST_F(DemoServiceTest, MessageOfTheDayNamesTheDemoAndTheCaller) {
  Update({}, "Ostra Vel", 126);
  EXPECT_THAT(Ask("message.php", "motd"),
              AllOf(HasSubstr("demo"), HasSubstr("Ostra Vel"), HasSubstr("2 unread")));
}

TEST_F(DemoServiceTest, SeededInboxHasDatedNewAndReadMessages) {
  const std::string fresh = Ask("message.php", "inbox new");
  EXPECT_THAT(Column(fresh, "From"), testing::ElementsAre("Queen Ann", "Mira Dawnsong"));
  EXPECT_THAT(Column(fresh, "Recieved"),
              testing::ElementsAre("2025-06-01 11:30:00", "2025-05-31 12:30:00"));
  EXPECT_THAT(Column(fresh, "Sample"), Contains(EndsWith("...")));
  EXPECT_EQ(Column(fresh, "MsgID").size(), 2u);
  EXPECT_EQ(Column(Ask("message.php", "inbox read"), "From").size(), 2u);
  EXPECT_THAT(Column(Ask("message.php", "outbox"), "To"), testing::ElementsAre("Tam Brightwater"));
}

TEST_F(DemoServiceTest, ReadingAMessagePrintsItAndMovesItToTheReadList) {
  const std::string id = Column(Ask("message.php", "inbox new"), "MsgID").front();
  const auto lines = Lines(Ask("message.php", "read " + id));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(ValFromStr(lines[0], "From"), "Queen Ann");
  EXPECT_THAT(lines[1], StartsWith("Welcome to the allegiance!"));
  EXPECT_THAT(Column(Ask("message.php", "inbox new"), "MsgID"), Not(Contains(id)));
  EXPECT_THAT(Column(Ask("message.php", "inbox read"), "MsgID"), Contains(id));
}

TEST_F(DemoServiceTest, DeletedMessagesLeaveTheListAndOthersCannotTouchThem) {
  const std::string id = Column(Ask("message.php", "inbox read"), "MsgID").front();
  EXPECT_EQ(Ask("message.php", "delete " + id, {1342177350}), "No message with MsgID " + id + ".");
  EXPECT_EQ(Ask("message.php", "delete " + id), "Message " + id + " deleted.");
  EXPECT_THAT(Column(Ask("message.php", "inbox read"), "MsgID"), Not(Contains(id)));
  EXPECT_EQ(Ask("message.php", "read " + id), "No message with MsgID " + id + ".");
}

TEST_F(DemoServiceTest, MessageToYourOwnNameArrivesAsNew) {
  Update({}, "Ostra Vel", 126);
  EXPECT_THAT(Ask("message.php", "send ostra vel Remember the salvage"),
              AllOf(StartsWith("Message "), HasSubstr("to Ostra Vel stored.")));
  const std::string fresh = Ask("message.php", "inbox new");
  EXPECT_THAT(fresh, HasSubstr("From: Ostra Vel"));
  EXPECT_THAT(Column(fresh, "Sample"), Contains("Remember the salvage"));
  EXPECT_THAT(Column(fresh, "Recieved"), Contains("2025-06-01 14:30:00"));
}

TEST_F(DemoServiceTest, SentMessagesReachTheRecipientAndTheOutbox) {
  Update({}, "Ostra Vel", 126);
  Ask("message.php", "send Tam Brightwater See you at eight");
  Ask("message.php", "Li Mei, thanks for the stew");  // the form a click on a name types
  EXPECT_THAT(Column(Ask("message.php", "outbox"), "To"),
              testing::ElementsAre("Li Mei", "Tam Brightwater", "Tam Brightwater"));
  const std::string tams = Ask("message.php", "inbox new", {1342177310});
  EXPECT_THAT(tams, HasSubstr("From: Ostra Vel"));
  EXPECT_THAT(Column(tams, "Sample"), Contains("See you at eight"));
}

TEST_F(DemoServiceTest, MessageToAnUnknownNameWaitsForThatCharacter) {
  EXPECT_THAT(Ask("message.php", "send Newcomer Welcome aboard"),
              HasSubstr("not a known member yet"));
  const Caller newcomer{1342177999};
  Update(newcomer, "Newcomer", 10);
  EXPECT_THAT(Column(Ask("message.php", "inbox new", newcomer), "Sample"),
              Contains("Welcome aboard"));
}

TEST_F(DemoServiceTest, EmptyMessageListsDrawNoRows) {
  const Caller queen{1342177281};
  for (const auto& id : Column(Ask("message.php", "inbox new", queen), "MsgID")) {
    Ask("message.php", "delete " + id, queen);
  }
  const std::string answer = Ask("message.php", "inbox new", queen);
  EXPECT_EQ(answer, "No new messages.");
  EXPECT_THAT(Column(answer, "From"), IsEmpty());
  EXPECT_THAT(Column(answer, "To"), IsEmpty());
  EXPECT_THAT(Ask("message.php", "send"), StartsWith("Usage: send NAME TEXT"));
}

// --- event.php -------------------------------------------------------------------------------

TEST_F(DemoServiceTest, EventListsCoverTheAskedDays) {
  const std::string today = Ask("event.php", "list nrofdays=1");
  EXPECT_THAT(Column(today, "Event:"), testing::ElementsAre("Olthoi queen hunt"));
  EXPECT_THAT(Column(today, "Date"), testing::ElementsAre("2025-06-01 20:00"));
  EXPECT_THAT(Column(today, "Addedby"), testing::ElementsAre("Mira Dawnsong"));
  EXPECT_THAT(Column(today, "Description"), Not(IsEmpty()));
  EXPECT_EQ(Column(Ask("event.php", "list nrofdays=7"), "Event:").size(), 4u);
  EXPECT_EQ(Column(Ask("event.php", "list"), "Event:").size(), 6u);
  EXPECT_EQ(Ask("event.php", "list mine"), "No quests or events in this list.");
}

TEST_F(DemoServiceTest, AddedEventsAreTheCallersOwn) {
  Update({}, "Ostra Vel", 126);
  EXPECT_EQ(Ask("event.php", "add 2025-06-03 19:00 Drudge raid, Meet at the lifestone"),
            "Event 7 added: Drudge raid on 2025-06-03 19:00.");
  EXPECT_THAT(Ask("event.php", "add tomorrow Picnic"), HasSubstr("on 2025-06-02."));
  const std::string mine = Ask("event.php", "list mine");
  EXPECT_THAT(Column(mine, "Event:"), testing::ElementsAre("Picnic", "Drudge raid"));
  EXPECT_THAT(Column(mine, "Addedby"), testing::Each("Ostra Vel"));
  EXPECT_THAT(Column(mine, "Description"), testing::ElementsAre("Meet at the lifestone"));
  EXPECT_THAT(Column(Ask("event.php", "list nrofdays=3"), "Event:"), Contains("Drudge raid"));
  EXPECT_THAT(Ask("event.php", "delete 1"), HasSubstr("Only Mira Dawnsong"));
  EXPECT_EQ(Ask("event.php", "delete 7"), "Event 7 (Drudge raid) deleted.");
}

TEST_F(DemoServiceTest, MalformedOrPastEventsAreRefused) {
  for (const char* args :
       {"add", "add soon Party", "add 2025-13-01 Party", "add 2025-06-02 20:00"}) {
    EXPECT_THAT(Ask("event.php", args), StartsWith("Usage: add YYYY-MM-DD")) << args;
  }
  EXPECT_THAT(Ask("event.php", "add 2025-05-31 Party"), HasSubstr("has passed"));
  EXPECT_EQ(Column(Ask("event.php", "list"), "Event:").size(), 6u);
}

// --- landblock.php ---------------------------------------------------------------------------

TEST_F(DemoServiceTest, LandblockTextBelongsToTheWholeBlock) {
  EXPECT_THAT(Ask("landblock.php", "get"), StartsWith("Description of landblock 7D64: Holtburg"));
  const Caller far{kCaller, 0xA9B40021};
  EXPECT_THAT(Ask("landblock.php", "get", far),
              StartsWith("No description is set for landblock A9B4"));
  EXPECT_THAT(Ask("landblock.php", "set Ruins  by the\nriver", far),
              EndsWith("saved: Ruins by the river"));
  EXPECT_THAT(Ask("landblock.php", "get", {kCaller, 0xA9B40005}), HasSubstr("Ruins by the river"));
  EXPECT_THAT(Ask("landblock.php", "get", {kCaller, 0}), HasSubstr("not known"));
}

// --- code page, scripts, server ----------------------------------------------------------------

TEST_F(DemoServiceTest, TextTravelsInTheCodePage) {
  // "Andrè" in 1252: the byte E8 arrives, is stored as UTF-8 and leaves as E8 again.
  service_.Handle("update.php", Encode(CharRecord({}, "Andr\xE8", 50)));
  EXPECT_EQ(Ask("member.php", "whois andr\xE8").substr(0, 13), "Name: Andr\xE8  ");

  DemoService japanese(932, FixedNow);
  const std::string name = "\x83\x41\x83\x93";  // katakana A N in 932
  japanese.Handle("update.php", Encode(CharRecord({}, name, 50)));
  EXPECT_EQ(ValFromStr(japanese.Handle("member.php", Encode(StdFields({}) + "&args=whois " + name)),
                       "Name"),
            name);
}

TEST_F(DemoServiceTest, UnknownScriptGetsOneLine) {
  const std::string answer = service_.Handle("guild.php", "args=");
  EXPECT_THAT(answer, StartsWith("Unknown script \"guild.php\""));
  EXPECT_THAT(Lines(answer).size(), 1u);
  EXPECT_TRUE(IsDemoScript("/member.php"));
  EXPECT_FALSE(IsDemoScript("/guild.php"));
}

TEST_F(DemoServiceTest, ServesPostsOnTheLoopbackAddress) {
  const int port = service_.Start();
  ASSERT_GT(port, 0);
  EXPECT_EQ(service_.Url(), "http://127.0.0.1:" + std::to_string(port) + "/");
  httplib::Client client("127.0.0.1", port);
  const auto result = client.Post("/member.php", Encode(StdFields({}) + "&args=whois Sir Wendel"),
                                  "application/x-www-form-urlencoded");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain");
  EXPECT_EQ(ValFromStr(result->body, "Level"), "220");
  const auto missing = client.Post("/guild.php", "args=", "application/x-www-form-urlencoded");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);

  const auto before = std::chrono::steady_clock::now();
  service_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  EXPECT_EQ(service_.Port(), 0);
  EXPECT_FALSE(httplib::Client("127.0.0.1", port).Post("/member.php", "", "text/plain"));
}

TEST_F(DemoServiceTest, StartOnABusyPortThrows) {
  const int port = service_.Start();
  DemoService other(1252, FixedNow);
  EXPECT_THROW(other.Start(port), std::runtime_error);
  EXPECT_EQ(service_.Start(), port);  // already running: the same port
}

TEST(DemoSettingsXmlTest, PointsTheFolderAtTheService) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(DemoSettingsXml("http://127.0.0.1:8123/?a=1&b=2").c_str()));
  const pugi::xml_node root = document.document_element();
  EXPECT_STREQ(root.child("server").attribute("url").value(), "http://127.0.0.1:8123/?a=1&b=2");
  EXPECT_STREQ(root.child("chathelper").attribute("savelines").value(), "20");
  ASSERT_TRUE(root.child("update"));
  ASSERT_TRUE(root.child("irc"));
  EXPECT_FALSE(root.child("irc").first_child());
  EXPECT_FALSE(root.child("update").first_child());
}

}  // namespace
}  // namespace ostravel::app

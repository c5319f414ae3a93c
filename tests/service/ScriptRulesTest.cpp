// The scripts' rules at their bounds, through the service without its transport.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "ServiceTestSupport.h"
#include "service/AllegianceService.h"
#include "service/admin/AdminCommands.h"
#include "service/scripts/RefusalLog.h"

namespace ostravel::test {
namespace {

using service::AllegianceService;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

class ScriptRulesTest : public ::testing::Test {
 protected:
  ScriptRulesTest() : service_(OpenService(folder_.Path() / "allegiance.sqlite", &errors_)) {}

  std::string Post(std::string_view script, const std::string& body) {
    return service_->Post(script, body).body;
  }
  std::string Ask(std::string_view script, std::string_view args, std::int32_t caller = kCid) {
    return Post(script, Command(caller, args));
  }
  void Update(std::int32_t id, std::string_view name, int level) {
    ASSERT_THAT(Post("update.php", CharRecord(id, name, level)), HasSubstr("updated"));
  }
  // Everything the database holds, for "nothing changed".
  std::string Export() {
    std::ostringstream out;
    service::ExportDatabase(folder_.Path() / "allegiance.sqlite", out);
    return out.str();
  }

  TempFolder folder_;
  std::ostringstream errors_;
  std::unique_ptr<AllegianceService> service_;
};

TEST_F(ScriptRulesTest, OnlyTheRecipientsReadMarksAMessageReadAndDeletingIsPerSide) {
  Update(kAnn, "Queen Ann", 200);
  Update(kBob, "Bob", 72);
  const std::string stored = Ask("message.php", "send Bob Court at eight", kAnn);
  ASSERT_THAT(stored, StartsWith("Message 1 to Bob stored."));
  // The sender reads its own message: it stays new for Bob.
  EXPECT_THAT(Lines(Ask("message.php", "read 1", kAnn)),
              ElementsAre(HasSubstr("MsgID: 1"), "Court at eight"));
  EXPECT_THAT(Column(Ask("message.php", "inbox new", kBob), "MsgID"), ElementsAre("1"));
  Ask("message.php", "read 1", kBob);
  EXPECT_EQ(Ask("message.php", "inbox new", kBob), "No new messages.");
  EXPECT_THAT(Column(Ask("message.php", "inbox read", kBob), "MsgID"), ElementsAre("1"));
  // Bob deletes it: gone from his inbox, still in Ann's outbox; a third party cannot see it.
  EXPECT_EQ(Ask("message.php", "read 1", kCid), "No message with MsgID 1.");
  EXPECT_EQ(Ask("message.php", "delete 1", kBob), "Message 1 deleted.");
  EXPECT_EQ(Ask("message.php", "inbox", kBob), "Your inbox is empty.");
  EXPECT_THAT(Column(Ask("message.php", "outbox", kAnn), "To"), ElementsAre("Bob"));
}

TEST_F(ScriptRulesTest, LevelBoundsAreExclusiveOnBothSides) {
  const std::vector<std::pair<std::string, int>> members = {
      {"Seventy Nine", 79}, {"Eighty", 80}, {"Hundred", 100}, {"Hundred One", 101}};
  std::int32_t id = 100;
  for (const auto& [name, level] : members) Update(++id, name, level);
  EXPECT_THAT(Column(Ask("member.php", "list online level>79 level<101"), "Name"),
              ElementsAre("Hundred", "Eighty"));
  EXPECT_THAT(Column(Ask("member.php", "list online level>100"), "Name"),
              ElementsAre("Hundred One"));
  EXPECT_THAT(Column(Ask("member.php", "list level<80"), "Name"), ElementsAre("Seventy Nine"));
  EXPECT_EQ(Ask("member.php", "list level>101"), "No members match this list.");
}

TEST_F(ScriptRulesTest, TodaysListEndsAtMidnightAndNDaysCoverTodayAndTheNextNMinusOne) {
  Update(kCid, "Ostra Vel", 50);
  int added = 0;
  for (const char* event : {"today 23:59 Late raid", "tomorrow 00:00 Dawn raid",
                            "2025-06-07 Week end", "2025-06-08 20:00 Next week"}) {
    EXPECT_THAT(Ask("event.php", std::string("add ") + event),
                StartsWith("Event " + std::to_string(++added) + " added"));
  }
  EXPECT_EQ(Ask("event.php", "add 2025-05-31 Yesterday"),
            "That date has passed; events start today or later.");
  EXPECT_THAT(Column(Ask("event.php", "list nrofdays=1"), "Event:"), ElementsAre("Late raid"));
  EXPECT_THAT(Column(Ask("event.php", "list nrofdays=2"), "Event:"),
              ElementsAre("Late raid", "Dawn raid"));
  EXPECT_THAT(Column(Ask("event.php", "list nrofdays=7"), "Event:"),
              ElementsAre("Late raid", "Dawn raid", "Week end"));
  EXPECT_EQ(Ask("event.php", "list nrofdays=0"), "No quests or events in this list.");
  EXPECT_THAT(
      Column(Ask("event.php", "list mine"), "Date"),
      ElementsAre("2025-06-01 23:59", "2025-06-02 00:00", "2025-06-07", "2025-06-08 20:00"));
  EXPECT_THAT(Ask("event.php", "delete 1", kBob), StartsWith("Only officers may"));
  EXPECT_EQ(Ask("event.php", "delete 1"), "Event 1 (Late raid) deleted.");
}

TEST_F(ScriptRulesTest, AMessageKeepsAccentsAmpersandsQuotesAndSqlAsTyped) {
  Update(kAnn, "Queen Ann", 200);
  Update(kBob, "Bob", 72);
  // As the plug-in encodes it: "&" and "=" stay as they are, "é" is one byte of 1252.
  const std::string body = StdFields(kAnn) +
                           "&args=send+Bob+Caf%E9+%26+tea+&+cake=%22yes%22+'no'+"
                           "%27);+DROP+TABLE+messages;+--";
  ASSERT_THAT(Post("message.php", body), StartsWith("Message 1 to Bob stored."));
  const auto lines = Lines(Ask("message.php", "read 1", kBob));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "Caf\xE9 & tea & cake=\"yes\" 'no' '); DROP TABLE messages; --");
  EXPECT_THAT(Column(Ask("message.php", "inbox", kBob), "Sample"),
              ElementsAre("Caf\xE9 & tea & cake=\"yes\" 'no' ..."));
}

struct BadInput {
  const char* what;
  std::string script;
  std::string body;
  int status;
  const char* answer;
};

TEST_F(ScriptRulesTest, BadInputGetsOneLineAndChangesNothing) {
  Update(kAnn, "Queen Ann", 200);
  Update(kBob, "Bob", 72);
  const std::string before = Export();
  const std::string long_name(41, 'x');
  const std::vector<BadInput> cases = {
      {"broken escape", "message.php", Command(kAnn, "send Bob 100%"), 400,
       "broken percent escape"},
      {"bad hex", "message.php", Command(kAnn, "send Bob %ZZ"), 400, "broken percent escape"},
      {"unassigned byte", "message.php", Command(kAnn, "send Bob \x81"), 400, "code page 1252"},
      {"NUL byte", "message.php", Command(kAnn, "send Bob a%00b"), 400, "code page 1252"},
      {"repeated field", "message.php", "CID=1&CID=2&args=send Bob hi", 400, "repeated field"},
      {"huge id", "message.php", "CID=99999999999&args=send Bob hi", 400, "CID must be"},
      {"text id", "message.php", "CID=Bob&args=send Bob hi", 400, "CID must be"},
      {"negative location", "landblock.php", "CID=1&Location=-1&args=set x", 400, "Location"},
      {"long message", "message.php", Command(kAnn, "send Bob " + std::string(1001, 'a')), 200,
       "at most 1000 characters"},
      {"long argument", "message.php", Command(kAnn, "send Bob " + std::string(2000, 'a')), 400,
       "longer than 2000"},
      {"long name", "update.php", CharRecord(200, long_name, 10), 200, "at most 40"},
      {"level 0", "update.php", CharRecord(201, "Zero", 0), 200, "level must be"},
      {"level 10001", "update.php", CharRecord(202, "Huge", 10001), 200, "level must be"},
      {"no name", "update.php", StdFields(203) + "&Level=5", 200, "no character name"},
      {"other name", "update.php", CharRecord(kBob, "Not Bob", 72), 200, "belongs to Bob"},
      {"long event", "event.php", Command(kAnn, "add today " + std::string(101, 't')), 200,
       "at most 100"},
      {"unknown script", "nothing.php", Command(kAnn, "x"), 404, "Unknown script"},
  };
  for (const BadInput& bad : cases) {
    const auto reply = service_->Post(bad.script, bad.body);
    EXPECT_EQ(reply.status, bad.status) << bad.what;
    EXPECT_THAT(reply.body, HasSubstr(bad.answer)) << bad.what;
    EXPECT_THAT(reply.body, Not(HasSubstr("\n"))) << bad.what;
  }
  // The refused record names only what an admin needs, and the log says it.
  EXPECT_THAT(errors_.str(), HasSubstr("refused a record of character id 1342177449"));
  const std::string after = Export();
  // (The ids seen for the first time were given keys, and the refused record is noted.)
  EXPECT_EQ(after.substr(0, after.find("{\"table\":\"character_keys\"")),
            before.substr(0, before.find("{\"table\":\"character_keys\"")));
  // At the bounds themselves everything is taken.
  EXPECT_THAT(Ask("message.php", "send Bob " + std::string(1000, 'a'), kAnn),
              StartsWith("Message 1 to Bob stored."));
  EXPECT_THAT(Post("update.php", CharRecord(204, std::string(40, 'y'), 10000)),
              HasSubstr("updated"));
}

TEST_F(ScriptRulesTest, ARenameAllowedByTheAdminLetsTheNewNameIn) {
  Update(1342177288, "Sir Wendel", 120);  // the patron the records name, a member who shares
  Update(kCid, "Ostra Vel", 50);
  EXPECT_THAT(Post("update.php", CharRecord(kCid, "Ostra Nova", 51)), HasSubstr("belongs to"));
  EXPECT_EQ(Ask("member.php", "whois Ostra Nova"), "No member named Ostra Nova.");
  EXPECT_THAT(Column(Ask("member.php", "vassals Sir Wendel"), "Name"), Contains("Ostra Vel"));
  service::RenameCharacterOnFile(folder_.Path() / "allegiance.sqlite", kCid, "Ostra Nova");
  // The tree has the new name before the character's next record.
  EXPECT_THAT(Column(Ask("member.php", "vassals Sir Wendel"), "Name"),
              AllOf(Contains("Ostra Nova"), Not(Contains("Ostra Vel"))));
  EXPECT_THAT(Post("update.php", CharRecord(kCid, "Ostra Nova", 51)), HasSubstr("updated"));
  EXPECT_EQ(Value(Ask("member.php", "whois ostra nova"), "Level"), "51");
}

TEST_F(ScriptRulesTest, TheRecordBuildsTheTreeAndFellowshipsComeAndGo) {
  Update(kCid, "Ostra Vel", 50);
  const std::string whois = Ask("member.php", "whois Ostra Vel");
  EXPECT_EQ(Value(whois, "Monarch"), "Queen Ann");
  EXPECT_EQ(Value(whois, "Patron"), "Sir Wendel");
  EXPECT_EQ(Value(whois, "Skills"), "lockpick");
  EXPECT_THAT(Column(Ask("member.php", "vassals Ostra Vel"), "Name"),
              ElementsAre("Tam Brightwater"));
  const std::string id = std::to_string(kCid);
  const std::string report = StdFields(kCid) +
                             "&FellowshipName=Stone & Sons&SharedXp=True&LeaderCID=" + id +
                             "&LeaderName=Ostra Vel&LeaderLevel=50&Fellows=2&Fellow1CID=" + id +
                             "&Fellow1Name=Ostra Vel&Fellow1Level=50&Fellow2CID=7&Fellow2Name=Li"
                             "&Fellow2Level=20";
  EXPECT_THAT(Post("fellowship.php", report), StartsWith("Fellowship Stone recorded: 2 fellows"));
  const std::string fellowships = Ask("member.php", "fellowships");
  EXPECT_EQ(Value(fellowships, "Fellowship"), "Stone");
  EXPECT_EQ(Value(fellowships, "Fellows"), "2");
  EXPECT_EQ(Ask("member.php", "list online soloplayer"), "No members match this list.");
  EXPECT_EQ(Post("fellowship.php", StdFields(kCid) + "&FellowshipName=0&Fellows=0"),
            "No fellowship: your fellowship record is removed.");
  EXPECT_EQ(Ask("member.php", "fellowships"), "No fellowship is recorded at the moment.");
}

TEST_F(ScriptRulesTest, EventsAreCappedPerListAndPerCharacterAndAddRefusesFarDatesAndBadTimes) {
  const std::string usage = "Usage: add YYYY-MM-DD [hh:mm] TITLE";
  EXPECT_THAT(Ask("event.php", "add 2025-06-01 25:61 Hunt"), StartsWith(usage));
  EXPECT_THAT(Ask("event.php", "add 2025-06-01 7:99 Hunt"), StartsWith(usage));
  EXPECT_THAT(Ask("event.php", "add 9999-01-01 Hunt"), StartsWith(usage));
  EXPECT_THAT(Ask("event.php", "add 2027-06-02 Hunt"), StartsWith(usage));  // two years and a day
  EXPECT_THAT(Ask("event.php", "add 2027-06-01 23:59 Hunt"), StartsWith("Event 1 added"));
  for (int i = 2; i <= 20; ++i) {
    ASSERT_THAT(Ask("event.php", "add 2025-07-01 Hunt " + std::to_string(i)), StartsWith("Event"));
  }
  EXPECT_THAT(Ask("event.php", "add 2025-07-02 One more"), HasSubstr("20 events to come already"));
  for (int i = 21; i <= 201; ++i) {
    ASSERT_THAT(Ask("event.php", "add 2025-07-03 Raid " + std::to_string(i), 5000 + i / 20),
                StartsWith("Event"));
  }
  const std::vector<std::string> lines = Lines(Ask("event.php", "list"));
  ASSERT_EQ(lines.size(), 201U);
  EXPECT_EQ(Column(Ask("event.php", "list"), "Event").size(), 200U);
  EXPECT_THAT(lines.back(), StartsWith("More: more than 200 events match"));
  EXPECT_EQ(Value(lines.back(), "Event"), "");
  EXPECT_THAT(Ask("event.php", "help"), HasSubstr("at most 20 events to come per character"));
}

TEST_F(ScriptRulesTest, IdsBeyond32BitsAreRefusedAndTheMotdTakesExactlyItsLimit) {
  const std::string record = CharRecord(kCid, "Ostra Vel", 50);
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string changed = record;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  for (const std::string& body :
       {with("MonarchCID=1342177281", "MonarchCID=99999999999"),
        with("PatronCID=1342177288", "PatronCID=-2147483649"), record + "&Fellow1PID=x"}) {
    const auto reply = service_->Post("update.php", body);
    EXPECT_EQ(reply.status, 400) << body;
    EXPECT_THAT(reply.body, HasSubstr("must be a whole number from -2147483648 to 2147483647"));
  }
  EXPECT_EQ(service_->Post("update.php", record + "&Fellow1CID=").status, 200);
  const auto file = folder_.Path() / "allegiance.sqlite";
  EXPECT_NO_THROW(service::SetMotd(file, std::string(4000, 'm')));
  EXPECT_THROW(service::SetMotd(file, std::string(4001, 'm')), std::invalid_argument);
}

TEST(RefusalLogTest, OneLineAMinutePerAddressWithTheCountLeftOut) {
  service::RefusalLog log;
  struct Step {
    const char* address;
    std::int64_t ms;
    std::optional<std::int64_t> logged;  // nullopt: left out
  };
  const Step steps[] = {
      {"10.0.0.1", 0, 0},       {"10.0.0.1", 1'000, std::nullopt},
      {"10.0.0.2", 1'000, 0},   {"10.0.0.1", 59'999, std::nullopt},
      {"10.0.0.1", 60'000, 2},  {"10.0.0.1", 60'001, std::nullopt},
      {"10.0.0.1", 200'000, 1},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(log.Admit(step.address, step.ms), step.logged) << step.address << " " << step.ms;
  }
}

}  // namespace
}  // namespace ostravel::test

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/DemoService.h"
#include "platform/DateTime.h"
#include "wire/AnswerRecord.h"

namespace ostravel::app {
namespace {

using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::int32_t kCaller = 1342177295;  // the workbench's sample character

platform::DateTime FixedNow() {
  return {2025, 6, 1, 14, 30, 0};
}

// The standard fields of a character standing in town (location 0x7D640013). Bodies go
// unencoded: nothing in them needs escaping, and decoding is FormDecoder's, tested there.
std::string StdFields(std::int32_t caller = kCaller) {
  return "CID=" + std::to_string(caller) +
         "&MID=1342177281&Location=2103705619&Localtime=6/1/2025 2:30:00 PM&FLID=0"
         "&WantFellowship=0";
}

// A character record as CharPostString builds it, line feeds inside values included.
std::string CharRecord(const std::string& name, int level) {
  return StdFields() + "&Name=" + name + "&Server=Darktide&Birth=2004-06-07 00:00:00" +
         "&Age=3600000&Deaths=12&Class=Adventurer&Gender=Female&Level=" + std::to_string(level) +
         "&Race=Aluvian&Rank=5&SkillPoints=0&TotalXp=0&UnassignedXp=0&ProducedXp=0&Followers=3" +
         "&Vassals=2&Pk=0&Share=1\n\n&StartStrength=10&Strength=140\n\n" +
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

std::vector<std::string> Column(const std::string& answer, std::string_view key) {
  std::vector<std::string> values;
  for (const auto& line : Lines(answer))
    if (auto value = wire::ReadField(line, key); !value.empty()) values.push_back(value);
  return values;
}

class DemoServiceTest : public ::testing::Test {
 protected:
  std::string Ask(std::string_view script, std::string_view args, std::int32_t caller = kCaller) {
    return service_.Handle(script, StdFields(caller) + "&args=" + std::string(args));
  }

  DemoService service_{1252, FixedNow};
};

TEST_F(DemoServiceTest, CharacterUpdateAnswersInfoLinesAndMakesAnOnlineMember) {
  const auto lines = Lines(service_.Handle("update.php", CharRecord("Ostra Vel", 126)));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "Info: Character Ostra Vel updated  Help: Your record is shared with the "
            "allegiance.");
  EXPECT_THAT(lines, Contains("Info: Level 126"));
  for (const auto& line : lines) EXPECT_THAT(wire::ReadField(line, "Info"), Not(IsEmpty()));

  const std::string record = Ask("member.php", "whois ostra vel");
  EXPECT_EQ(wire::ReadField(record, "Online"), "True");
  EXPECT_EQ(wire::ReadField(record, "Template"), "Adventurer");
  EXPECT_EQ(wire::ReadField(record, "Patron"), "Sir Wendel");  // the LF pair is not part of it
  EXPECT_THAT(Column(Ask("member.php", "list online level>125 level<127"), "Name"),
              testing::ElementsAre("Ostra Vel"));
}

TEST_F(DemoServiceTest, AMessageReadMovesToTheReadListAndOneSentReachesTheRecipientAndTheOutbox) {
  const std::string id = Column(Ask("message.php", "inbox new"), "MsgID").front();
  const auto lines = Lines(Ask("message.php", "read " + id));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(wire::ReadField(lines[0], "From"), "Queen Ann");
  EXPECT_THAT(lines[1], StartsWith("Welcome to the allegiance!"));
  EXPECT_THAT(Column(Ask("message.php", "inbox new"), "MsgID"), Not(Contains(id)));
  EXPECT_THAT(Column(Ask("message.php", "inbox read"), "MsgID"), Contains(id));
  // Sent messages reach the recipient and the outbox.
  service_.Handle("update.php", CharRecord("Ostra Vel", 126));
  Ask("message.php", "send Tam Brightwater See you at eight");
  Ask("message.php", "Li Mei, thanks for the stew");  // the form a click on a name types
  EXPECT_THAT(Column(Ask("message.php", "outbox"), "To"),
              testing::ElementsAre("Li Mei", "Tam Brightwater", "Tam Brightwater"));
  const std::string tams = Ask("message.php", "inbox new", 1342177310);
  EXPECT_THAT(tams, HasSubstr("From: Ostra Vel"));
  EXPECT_THAT(Column(tams, "Sample"), Contains("See you at eight"));
}

TEST_F(DemoServiceTest, TextTravelsInTheCodePage) {
  // "Andrè" in 1252: the byte E8 arrives, is stored as UTF-8 and leaves as E8 again.
  service_.Handle("update.php", CharRecord("Andr\xE8", 50));
  EXPECT_EQ(Ask("member.php", "whois andr\xE8").substr(0, 13), "Name: Andr\xE8  ");
  DemoService japanese(932, FixedNow);
  const std::string name = "\x83\x41\x83\x93";  // katakana A N in 932
  japanese.Handle("update.php", CharRecord(name, 50));
  EXPECT_EQ(
      wire::ReadField(japanese.Handle("member.php", StdFields() + "&args=whois " + name), "Name"),
      name);
}

}  // namespace
}  // namespace ostravel::app

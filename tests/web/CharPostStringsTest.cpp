#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/PluginHarness.h"
#include "web/CharPostStrings.h"
#include "wire/FormEncoding.h"

namespace ostravel {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// A character whose every value shows in the record: a level of 126, names with "&" and
// apostrophes, negative ids that are sent unsigned, no allegiance record of its own.
sim::CharacterProfile Profile() {
  sim::CharacterProfile p;
  p.id = 5;
  p.name = "Ann & Co";
  p.server = "Darktide";
  p.birth = 1078661109;
  p.age = 100;
  p.deaths = 2;
  p.class_template = "Adventurer";
  p.gender = "Female";
  p.race = "Sho";
  p.level = 126;
  p.rank = 3;
  p.skill_points = 7;
  p.followers = 4;
  p.vassal_count = 2;
  p.skill_count = 2;
  p.location = -1;
  for (int n = 1; n <= 6; ++n) p.attributes[n] = {10 * n, 10 * n + 1};
  for (int n = 1; n <= 6; ++n) p.vitals[n] = 100 + n;
  for (int n = 1; n <= 40; ++n) p.skills[n] = {"S" + std::to_string(n), 1, n};
  p.skills[1].name = "Long Name";
  p.vassals = {{-7, 1, 0, 0, "V'one", 3, 2, 5, -1}, {8, 9, 0, 0, "Vtwo", 4, 1, 5, 12}};
  return p;
}

class CharPostStringsTest : public ::testing::Test {
 protected:
  explicit CharPostStringsTest(sim::CharacterProfile profile = Profile()) : harness(profile) {
    harness.env.WriteSettings("<settings/>");
    harness.Initialize();
    ctx().CharacterID = 5;
    ctx().CharacterName = "Ann & Co";
    ctx().Monarch = {2, 77, 0, 0, "Queen", 1, 9, 0, 1.5e15};
  }

  Context& ctx() { return harness.State(); }
  // A text of fields as it reaches the server: an "&" in it separates fields.
  std::string Wire(const std::string& fields) {
    return wire::FormEncoded(fields, ctx().env.code_page);
  }
  void Check(const char* name, bool on) { harness.Control<sim::SimCheckbox>(name).SetChecked(on); }

  test::PluginHarness harness;
};

TEST_F(CharPostStringsTest, ServerUrlReadsTheLastServerOnceAndEndsWithASlash) {
  // A missing file is reported and tried again.
  std::filesystem::remove(harness.env.folder.Path() / "Ostravel.xml");
  EXPECT_EQ(ServerURL(ctx()), "");
  EXPECT_THAT(harness.ChatTexts().back(),
              StartsWith("OV>> Error in CharPostStrings.ServerURL. Number: -2146697211, "
                         "Description: Ostravel.xml not found"));
  harness.env.WriteSettings(R"(<s><server url="http://one/"/><server url="http://two/ov"/></s>)");
  EXPECT_EQ(ServerURL(ctx()), "http://two/ov/");
  harness.env.WriteSettings(R"(<s><server url="http://three/"/></s>)");
  EXPECT_EQ(ServerURL(ctx()), "http://two/ov/");  // read once per plug-in life
}

TEST_F(CharPostStringsTest, StdPostStringCarriesTheStandardFields) {
  EXPECT_EQ(StdPostString(ctx()).Encoded(),
            Wire("CID=5&MID=77&Location=4294967295&Localtime=12/6/2026 6:37:19 AM&FLID=0"
                 "&WantFellowship=0"));
  Check("chkGrp", true);
  ctx().FellowshipInfo.FLeaderID = -3;
  EXPECT_THAT(StdPostString(ctx()).Encoded(), testing::EndsWith(Wire("&FLID=-3&WantFellowship=1")));
}

TEST_F(CharPostStringsTest, CharPostStringHoldsEveryFieldInOrder) {
  Check("chkUpdateShare", true);
  ctx().Patron = {1, 33, 0, 0, "Pat", 2, 4, 44, 12.0};
  // Skills 1 to 40 but 8, 17, 25 and 26, with the spaces taken out of their names.
  const std::string skills =
      "&StateLongName=1&LongName=1&StateS2=1&S2=2&StateS3=1&S3=3&StateS4=1&S4=4&StateS5=1&S5=5"
      "&StateS6=1&S6=6&StateS7=1&S7=7&StateS9=1&S9=9&StateS10=1&S10=10&StateS11=1&S11=11"
      "&StateS12=1&S12=12&StateS13=1&S13=13&StateS14=1&S14=14&StateS15=1&S15=15&StateS16=1&S16=16"
      "&StateS18=1&S18=18&StateS19=1&S19=19&StateS20=1&S20=20&StateS21=1&S21=21&StateS22=1&S22=22"
      "&StateS23=1&S23=23&StateS24=1&S24=24&StateS27=1&S27=27&StateS28=1&S28=28&StateS29=1&S29=29"
      "&StateS30=1&S30=30&StateS31=1&S31=31&StateS32=1&S32=32&StateS33=1&S33=33&StateS34=1&S34=34"
      "&StateS35=1&S35=35&StateS36=1&S36=36&StateS37=1&S37=37&StateS38=1&S38=38&StateS39=1&S39=39"
      "&StateS40=1&S40=40";
  // The "&" inside the name stays in the value.
  const std::string amp = "%26";
  EXPECT_EQ(CharPostString(ctx()).Encoded(),
            StdPostString(ctx()).Encoded() + Wire("&Name=Ann ") + amp +
                Wire(std::string(" Co&Server=Darktide") +
                     "&Birth=2004-03-07 12:05:09&Age=100&Deaths=2&Class=Adventurer&Gender=Female" +
                     "&Level=1&Race=Sho&Rank=3&SkillPoints=7&TotalXp=0&UnassignedXp=0" +
                     "&ProducedXp=0&Followers=4&Vassals=2&Pk=0&Share=1\n\n" +
                     "&StartStrength=10&Strength=11&StartEndurance=20&Endurance=21" +
                     "&StartCoordination=40&Coordination=41&StartQuickness=30&Quickness=31" +
                     "&StartFocus=50&Focus=51&StartSelf=60&Self=61\n\n" +
                     "&Health=102&Stamina=104&Mana=106\n\n" + skills + "\n\n" +
                     "&MonarchCID=77&MonarchPID=77&MonarchName=Queen&MonarchProducedXp=1.5E+15" +
                     "&MonarchGender=Female&MonarchRace=Aluvian&MonarchRank=9\n\n" +
                     "&PatronCID=33&PatronPID=44&PatronName=Pat&PatronProducedXp=12" +
                     "&PatronGender=Male&PatronRace=Gharu'ndim&PatronRank=4\n\n" +
                     "&Vassal1CID=-7&Vassal1PID=5&Vassal1Name=V'one&Vassal1ProducedXp=4294967295" +
                     "&Vassal1Gender=Male&Vassal1Race=Sho&Vassal1Rank=2" +
                     "&Vassal2CID=8&Vassal2PID=5&Vassal2Name=Vtwo&Vassal2ProducedXp=12" +
                     "&Vassal2Gender=9&Vassal2Race=Viamontian&Vassal2Rank=1"));
  // A level of 126 is computed from the total experience.
  ctx().TotalXP = 192595000000.0;  // between the levels 275 and 276
  EXPECT_THAT(CharPostString(ctx()).Encoded(), HasSubstr(Wire("&Level=275&")));
}

class CharPostStringsEdgeTest : public CharPostStringsTest {
 protected:
  static sim::CharacterProfile EdgeProfile() {
    auto p = Profile();
    p.level = 125;
    p.skill_count = 100;
    p.vassal_count = 20;
    p.self = host::AllegianceInfo{};
    p.self->xp = -2;
    return p;
  }
  CharPostStringsEdgeTest() : CharPostStringsTest(EdgeProfile()) {}
};

TEST_F(CharPostStringsEdgeTest, CountsOutsideTheirRangesSendNoRecordsButKeepTheLineFeeds) {
  Check("chkUpdateShare", false);
  const std::string text = CharPostString(ctx()).Encoded();
  EXPECT_THAT(text, HasSubstr(Wire("&Level=125&")));
  EXPECT_THAT(text, HasSubstr(Wire("&ProducedXp=-2&")));
  EXPECT_THAT(text, HasSubstr(Wire("&Vassals=20&Pk=0&Share=0\n\n")));
  EXPECT_THAT(text, HasSubstr(Wire("&Mana=106\n\n\n\n&MonarchCID=")));
  EXPECT_THAT(text, Not(HasSubstr(Wire("&StateS2="))));
  EXPECT_THAT(text, testing::EndsWith(Wire("&PatronRank=0\n\n")));
}

TEST_F(CharPostStringsTest, AFailureIsReportedAndLogsWhatWasBuilt) {
  ctx().CharacterStats.reset();
  EXPECT_EQ(CharPostString(ctx()).Encoded(), "");
  const auto log = test::ReadCrLfLines(harness.env.folder.Path() / "log.txt");
  ASSERT_EQ(log.size(), 4u);
  EXPECT_THAT(log[0], HasSubstr("Error in CharPostStrings.CharPostString. Number: 91"));
  EXPECT_THAT(log[1], HasSubstr("] Debug: Start Post String"));
  EXPECT_THAT(log[2], HasSubstr("] CID=5&MID=77&"));
  EXPECT_THAT(log[3], HasSubstr("] Debug: End Post String"));
}

TEST_F(CharPostStringsTest, FellowPostStringListsTheFellows) {
  auto& info = ctx().FellowshipInfo;
  info = {12, "Lead", 80, 2, "Band & Co", true, true};
  ctx().Fellows[0] = {12, "Lead", 80, 0, 0, 0};
  ctx().Fellows[1] = {13, "Two", 50, 0, 0, 0};
  EXPECT_EQ(
      FellowPostString(ctx()).Encoded(),
      StdPostString(ctx()).Encoded() + Wire("&FellowshipName=Band ") + "%26" +
          Wire(std::string(
                   " Co&SharedXp=True&LeaderCID=12&LeaderName=Lead&LeaderLevel=80&Fellows=2") +
               "&Fellow1CID=12&Fellow1Name=Lead&Fellow1Level=80" +
               "&Fellow2CID=13&Fellow2Name=Two&Fellow2Level=50"));
  info.FCount = 27;
  EXPECT_EQ(FellowPostString(ctx()).Encoded(), "");
  EXPECT_THAT(harness.ChatTexts().back(),
              HasSubstr("Error in CharPostStrings.FellowPostString. Number: 9"));
}

}  // namespace
}  // namespace ostravel

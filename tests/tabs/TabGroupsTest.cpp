#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Context.h"
#include "tabs/TabGroups.h"
#include "tabs/TabWorld.h"

namespace ostravel {
namespace {

using test::Request;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr std::int32_t kGrp = 3;
constexpr std::int32_t kSelf = 1342177295;  // the sample character
constexpr std::int32_t kOther = 77;
constexpr const char* kEnlisted =
    "CID=1342177295&MID=0&Location=2103705619&Localtime=12%2F6%2F2026+6%3A37%3A19+AM&FLID=0"
    "&WantFellowship=1";

class TabGroupsTest : public ::testing::Test {
 protected:
  void Fellows(std::vector<FellowRec> fellows) {
    for (std::size_t i = 0; i < fellows.size(); ++i) world.State().Fellows[i] = fellows[i];
  }
  // The fellowship records sent, without the standard fields.
  std::vector<std::string> Reports() const {
    std::vector<std::string> reports;
    for (const auto& sent : world.Sent()) {
      if (!sent.starts_with("fellowship.php ")) continue;
      reports.push_back(sent.substr(sent.find("&FellowshipName=")));
    }
    return reports;
  }

  test::TabWorld world;
  TabGroups& tab = world.Groups();
};

TEST_F(TabGroupsTest, EnlistingAsksAgainOnlyWhileThePageShows) {
  world.Control<sim::SimCheckbox>("chkGrp")->UserCheck(true);
  world.Settle();
  EXPECT_THAT(world.Sent(), IsEmpty());
  world.ShowPage(kGrp);
  world.Control<sim::SimCheckbox>("chkGrp")->UserCheck(false);
  world.Settle();
  EXPECT_THAT(world.Sent(), ElementsAre(Request("member.php", "fellowships", kEnlisted),
                                        Request("member.php", "fellowships")));
}

TEST_F(TabGroupsTest, TheLeaderReportsChangesOnlyWhenSomethingDiffers) {
  Fellows({{kSelf, "Ostra Vel", 126}, {kOther, "Bob", 80}});
  tab.FellowCreate(2, kSelf, "Raiders", false, true);
  world.Settle();
  EXPECT_THAT(Reports(), ElementsAre("&FellowshipName=Raiders&SharedXp=True&LeaderCID=1342177295"
                                     "&LeaderName=Ostra+Vel&LeaderLevel=126&Fellows=2"
                                     "&Fellow1CID=1342177295&Fellow1Name=Ostra+Vel"
                                     "&Fellow1Level=126&Fellow2CID=77&Fellow2Name=Bob"
                                     "&Fellow2Level=80"));
  world.Forget();
  tab.FellowCreate(2, kSelf, "Raiders", false, true);
  world.Settle();
  EXPECT_THAT(world.Sent(), IsEmpty());

  tab.FellowCreate(2, kSelf, "Raiders", true, true);  // opened
  world.Settle();
  tab.FellowMemberQuit(kOther);  // still counted until the next full report
  world.Settle();
  EXPECT_THAT(Reports(), ElementsAre(HasSubstr("&Fellows=2&"), HasSubstr("&Fellows=2&")));
}

TEST_F(TabGroupsTest, AMemberOfAnotherFellowshipReportsOnlyWhenItEnds) {
  Fellows({{kOther, "Bob", 80}, {kSelf, "Ostra Vel", 126}});
  tab.FellowCreate(2, kOther, "Raiders", true, false);
  std::int32_t count = 2;
  tab.FellowAdd(88, "Cy", 5, 1, 1, 1, count);
  tab.FellowMemberQuit(88);
  tab.FellowMemberDismiss(88);
  world.Settle();
  EXPECT_THAT(world.Sent(), IsEmpty());
  EXPECT_EQ(world.State().FellowshipInfo.LeaderName, "Bob");

  tab.FellowDisband();
  world.Settle();
  EXPECT_THAT(Reports(), ElementsAre("&FellowshipName=0&SharedXp=False&LeaderCID=0"
                                     "&LeaderName=Bob&LeaderLevel=80&Fellows=0"));
}

TEST_F(TabGroupsTest, LeavingOrBeingDismissedEndsTheFellowshipForThisCharacter) {
  for (bool dismissed : {false, true}) {
    tab.FellowCreate(3, kOther, "Raiders", true, false);
    dismissed ? tab.FellowMemberDismiss(kSelf) : tab.FellowMemberQuit(kSelf);
    world.Settle();
  }
  EXPECT_THAT(Reports(),
              ElementsAre(StartsWith("&FellowshipName=0&"), StartsWith("&FellowshipName=0&")));
  EXPECT_EQ(world.State().FellowshipInfo.FCount, 0);
}

TEST_F(TabGroupsTest, AddingNamesTheLeaderAndStoresOnlyIndexesInRange) {
  tab.FellowCreate(2, kOther, "Raiders", false, false);  // the leader's entry is not there yet
  EXPECT_EQ(world.State().FellowshipInfo.LeaderName, "");
  for (std::int32_t index : {-1, 26, 1}) tab.FellowAdd(kOther, "Bob", 80, 100, 120, 90, index);
  const auto& info = world.State().FellowshipInfo;
  EXPECT_EQ(info.LeaderName, "Bob");
  EXPECT_EQ(info.LeaderLevel, 80);
  EXPECT_EQ(info.FCount, 2);
  EXPECT_EQ(world.State().Fellows[1].Mana, 90);
  EXPECT_EQ(world.State().Fellows[0].ID + world.State().Fellows[25].ID, 0);

  // A count beyond the array whose leader is nowhere in it.
  tab.FellowCreate(27, 99, "Huge", false, false);
  EXPECT_EQ(info.FName, "Huge");
  const std::string range = " Number: 9, Description: Subscript out of range Source: Ostravel";
  EXPECT_THAT(world.Errors(), ElementsAre("Error in TabGroups.FellowAdd." + range,
                                          "Error in TabGroups.FellowAdd." + range,
                                          "Error in TabGroups.FellowLeaderChange." + range));
  world.Settle();
  EXPECT_THAT(world.Sent(), IsEmpty());
}

TEST_F(TabGroupsTest, AReportAskedForWhileTheListIsLoadingFollowsIt) {
  world.server.Delay(std::chrono::milliseconds(200));
  world.harness.host.View()->MainNotebook()->UserSelect(kGrp);
  tab.FellowDisband();
  world.Settle();
  // The report's answer refreshes the showing page.
  EXPECT_THAT(world.Sent(),
              ElementsAre(Request("member.php", "fellowships"), StartsWith("fellowship.php "),
                          Request("member.php", "fellowships")));
}

TEST_F(TabGroupsTest, TheReportsAnswerRefreshesOnlyTheShowingPage) {
  tab.FellowDisband();
  world.Settle();
  EXPECT_THAT(world.Sent(), ElementsAre(StartsWith("fellowship.php CID=1342177295&")));
}

}  // namespace
}  // namespace ostravel

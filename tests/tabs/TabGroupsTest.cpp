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

constexpr std::int32_t kSelf = 1342177295;  // the sample character
constexpr std::int32_t kOther = 77;

class TabGroupsTest : public ::testing::Test {
 protected:
  void Fellows(std::vector<FellowRec> fellows) {
    for (std::size_t i = 0; i < fellows.size(); ++i) world.State().Fellows[i] = fellows[i];
  }
  std::vector<std::string> Reports() const {
    std::vector<std::string> reports;
    for (const auto& sent : world.Sent())
      if (sent.starts_with("fellowship.php "))
        reports.push_back(sent.substr(sent.find("&FellowshipName=")));
    return reports;
  }
  test::TabWorld world;
  TabGroups& tab = world.Groups();
};

TEST_F(TabGroupsTest, EnlistingAndReportsAskForTheListOnlyWhileThePageShows) {
  world.Control<sim::SimCheckbox>("chkGrp")->UserCheck(true);
  tab.FellowDisband();
  world.Settle();
  EXPECT_THAT(world.Sent(), ElementsAre(StartsWith("fellowship.php CID=1342177295&")));
  world.Forget();
  world.ShowPage(3);  // the Groups page
  world.server.Delay(std::chrono::milliseconds(200));
  world.Control<sim::SimCheckbox>("chkGrp")->UserCheck(false);
  tab.FellowDisband();  // asked for while the list is loading: follows it
  world.Settle();
  std::string enlisted = test::kStandardFields;
  enlisted.back() = '1';  // "WantFellowship=1"
  EXPECT_THAT(world.Sent(),
              ElementsAre(Request("member.php", "fellowships", enlisted),
                          Request("member.php", "fellowships"), StartsWith("fellowship.php "),
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

TEST_F(TabGroupsTest, AMemberOfAnotherFellowshipReportsOnlyWhenItEndsForIt) {
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
  world.Forget();  // leaving or being dismissed ends it for this character too
  for (bool dismissed : {false, true}) {
    tab.FellowCreate(3, kOther, "Raiders", true, false);
    dismissed ? tab.FellowMemberDismiss(kSelf) : tab.FellowMemberQuit(kSelf);
    world.Settle();
  }
  EXPECT_THAT(Reports(),
              ElementsAre(StartsWith("&FellowshipName=0&"), StartsWith("&FellowshipName=0&")));
  EXPECT_EQ(world.State().FellowshipInfo.FCount, 0);
}

}  // namespace
}  // namespace ostravel

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "tabs/TabUpdate.h"
#include "tabs/TabWorld.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class TabUpdateTest : public ::testing::Test {
 protected:
  void Start(const std::string& rest = "") { world = std::make_unique<test::TabWorld>(rest); }
  Context& ctx() { return world->State(); }
  std::shared_ptr<sim::SimCheckbox> Check(const char* name) {
    return world->Control<sim::SimCheckbox>(name);
  }
  std::unique_ptr<test::TabWorld> world;
};

TEST_F(TabUpdateTest, NothingIsSentWhileNotLoggedInAndAllegianceSendsOnlyOnce) {
  Start();
  TabUpdate tab(ctx());
  ctx().UpdateTicks = 17;
  tab.Update(true);
  tab.PlayerLogoff();
  tab.TabUpdateAllegiance();  // not logged in: does not count
  world->Control<sim::SimPushButton>("btnUpdate")->UserPress();
  world->Settle();
  EXPECT_THAT(world->Sent(), IsEmpty());
  EXPECT_EQ(ctx().UpdateTicks, 17);
  EXPECT_THAT(world->Chat(), IsEmpty());
  ctx().LoggedIn = true;
  tab.TabUpdateAllegiance();
  world->Settle();
  tab.TabUpdateAllegiance();
  world->Settle();
  EXPECT_EQ(world->Sent().size(), 1u);
  TabUpdate fresh(ctx());  // a new tab object may send its own one
  fresh.TabUpdateAllegiance();
  world->Settle();
  EXPECT_EQ(world->Sent().size(), 2u);
}

TEST_F(TabUpdateTest, UpdatePostsTheRecordAndDrawsTheAnswerOrOneErrorRow) {
  Start();
  world->server.Answer("/update.php",
                       "Info: Saved  Help: Your record was saved.\nInfo: Share is on");
  TabUpdate tab(ctx());
  ctx().LoggedIn = true;
  ctx().UpdateTicks = 17;
  tab.Update();
  EXPECT_EQ(ctx().UpdateTicks, 1);
  world->Settle();
  const auto sent = world->Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_THAT(sent[0], StartsWith("update.php CID=1342177295&MID=0&"));
  EXPECT_THAT(sent[0], HasSubstr("&Name=Ostra+Vel&"));
  EXPECT_THAT(sent[0], HasSubstr("&Share=1%0A"));
  EXPECT_THAT(world->Chat(), IsEmpty());  // "Draw" only draws
  EXPECT_THAT(world->Rows("lstUpdate"),
              ElementsAre("#100676768|Saved|Your record was saved.", "|Share is on|"));
  // A click anywhere on a row prints its help text; an empty one prints nothing.
  world->Click("lstUpdate", 1, 0);
  world->Click("lstUpdate", 0, 1);
  EXPECT_THAT(world->Chat(), ElementsAre("OV>> Your record was saved."));

  world->Forget();
  for (const char* answer : {"\n\n", "<html>Internal error</html>", ""}) {
    world->server.Answer("/update.php", answer);
    tab.Update();
    world->Settle();
    if (*answer == '\0') {
      EXPECT_THAT(world->Rows("lstUpdate"), IsEmpty());
      continue;
    }
    EXPECT_THAT(world->Rows("lstUpdate"),
                ElementsAre(std::string("#100676768|Error on page.|") + answer));
    world->Click("lstUpdate", 1, 0);
    EXPECT_THAT(world->Chat(), ElementsAre(std::string("OV>> ") + answer));
    world->Forget();
  }
  EXPECT_EQ(world->server.RequestCount(), 4u);
}

TEST_F(TabUpdateTest, TheLastMatchingCharacterWinsAndTheSaveLeavesOneForIt) {
  Start(
      "<update>"
      "<character name=\"Ostra Vel\" shareinfo=\"False\" autoupdate=\"False\"/>"
      "<character name=\"Other\" shareinfo=\"False\" autoupdate=\"0\"/>"
      "<character name=\"Ostra Vel\" shareinfo=\"true\" autoupdate=\"0\"/>"
      "<character shareinfo=\"x\"/>"
      "</update>");
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
    EXPECT_TRUE(Check("chkUpdateShare")->Checked());
    EXPECT_FALSE(Check("chkUpdateAuto")->Checked());
    EXPECT_FALSE(tab.AutoUpdateChecked());  // the post timer keeps still
    Check("chkUpdateShare")->UserCheck(false);
    EXPECT_THAT(world->Chat(), IsEmpty());
  }
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(world->SettingsPath().c_str()));
  std::vector<std::string> characters;
  for (const auto& character : document.select_nodes("/settings/update/character")) {
    characters.emplace_back();
    for (const auto& attribute : character.node().attributes())
      characters.back() += std::string(" ") + attribute.name() + "=" + attribute.value();
  }
  EXPECT_THAT(characters, ElementsAre(" name=Other shareinfo=False autoupdate=0", " shareinfo=x",
                                      " name=Ostra Vel shareinfo=False autoupdate=False"));
}

TEST_F(TabUpdateTest, ANonBooleanValueIsReportedAndNothingIsSavedDespiteAnEarlierLoad) {
  Start("<update/>");
  std::string before;
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
    world->harness.env.WriteSettings(  // as at a later login
        "<settings><update><character name=\"Ostra Vel\" shareinfo=\"yes\" autoupdate=\"True\"/>"
        "</update></settings>");
    before = test::ReadFile(world->SettingsPath());
    tab.LoadSettings();
  }
  EXPECT_EQ(test::ReadFile(world->SettingsPath()), before);
  EXPECT_THAT(world->Chat(),
              ElementsAre("OV>> Error in TabUpdate.LoadSettings. Number: 13, Description: Type "
                          "mismatch Source: Ostravel"));
}

}  // namespace
}  // namespace ostravel

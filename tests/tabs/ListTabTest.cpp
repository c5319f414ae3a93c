#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tabs/ListTab.h"
#include "tabs/TabGroups.h"
#include "tabs/TabMembers.h"
#include "tabs/TabMessages.h"
#include "tabs/TabQuests.h"
#include "tabs/TabWorld.h"

namespace ostravel {
namespace {

using test::Request;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The plug-in's four list pages side by side; each answers only on its page.
class ListTabTest : public ::testing::Test {
 protected:
  test::TabWorld world;
  TabMessages& messages = world.Messages();
  TabMembers& members = world.Members();
  TabGroups& groups = world.Groups();
  TabQuests& quests = world.Quests();
};

TEST_F(ListTabTest, OnlyTheShowingPageAsksAndOnlyOnceLoggedIn) {
  world.State().LoggedIn = false;
  world.ShowPage(2);
  world.State().LoggedIn = true;
  members.Refresh();
  messages.Refresh();
  groups.Refresh();
  quests.Refresh();
  world.Settle();
  world.harness.host.View()->Activate.Emit();
  world.Settle();
  // The sample character is level 126.
  EXPECT_THAT(world.Sent(), ElementsAre(Request("member.php", "list online level>105"),
                                        Request("member.php", "list online level>105")));
}

TEST_F(ListTabTest, EveryOptionAsksForItsList) {
  struct Option {
    std::int32_t page;
    const char* choice;
    const char* script;
    std::vector<const char*> lists;
  };
  const Option options[] = {
      {2,
       "chMbr",
       "member.php",
       {"list online level>105",
        "list online",
        "friends",
        "list magistrate",
        "list pkgeneral",
        "list chainmanager",
        "list questmaster",
        "list brt",
        "list reporter",
        "list online nearby",
        "list online pk",
        "list online lockpick",
        "list online armortinkering",
        "list online weapontinkering",
        "list online magicitemtinkering",
        "list online itemtinkering",
        "list online alchemy",
        "list online cooking",
        "list online fletching",
        "list online level>99",
        "list online level>79 level<101",
        "list online level>59 level<81",
        "list online level>39 level<61",
        "list online level>19 level<41",
        "list online level<21"}},
      {1, "chMsg", "message.php", {"inbox new", "inbox read", "outbox"}},
      {3, "chGrp", "member.php", {"fellowships", "list online wantgroup soloplayer"}},
      {4, "chQst", "event.php", {"list nrofdays=1", "list nrofdays=7", "list", "list mine"}},
  };
  for (const auto& option : options) {
    world.SetPage(option.page);
    world.Forget();
    std::vector<std::string> expected;
    for (std::size_t index = 0; index < option.lists.size(); ++index) {
      world.Choose(option.choice, static_cast<std::int32_t>(index));
      expected.push_back(Request(option.script, option.lists[index]));
    }
    EXPECT_EQ(world.Sent(), expected) << option.choice;
  }
}

TEST_F(ListTabTest, WithNoOptionTheScriptsDefaultIsAskedForButNoMessages) {
  for (const char* choice : {"chMsg", "chMbr", "chGrp", "chQst"}) world.SetChoice(choice, -1);
  for (std::int32_t page : {1, 2, 3, 4}) world.ShowPage(page);
  EXPECT_THAT(world.Sent(), ElementsAre(Request("member.php", ""), Request("member.php", ""),
                                        Request("event.php", "")));
}

class MyLevelrangeTest : public ::testing::TestWithParam<std::pair<std::int32_t, const char*>> {};

TEST_P(MyLevelrangeTest, CoversTwentyLevelsEachWayWithinBounds) {
  auto profile = sim::SampleProfile();
  profile.level = GetParam().first;
  test::TabWorld world(profile);
  world.ShowPage(2);
  EXPECT_THAT(world.Sent(), ElementsAre(Request("member.php", GetParam().second)));
}

INSTANTIATE_TEST_SUITE_P(TabMembers, MyLevelrangeTest,
                         ::testing::Values(std::pair{20, "list online level<41"},
                                           std::pair{21, "list online level>0 level<42"},
                                           std::pair{50, "list online level>29 level<71"},
                                           std::pair{125, "list online level>104 level<146"},
                                           std::pair{126, "list online level>105"}));

TEST_F(ListTabTest, RowsComeOnlyFromLinesWithTheLeadingKey) {
  world.server.Answer("/member.php",
                      "Name: Bob  Level: 80  Template: Mage  Online: True\n"
                      "Level: 12  Template: nobody\n\n"
                      "Name: Al  Level: 7  Online: true\n"
                      "Fellows: 5  Fellowship: Raiders  Name: Cy  Level: 9  Template: Tank\n"
                      "Fellowship: Quiet");
  world.ShowPage(2);
  EXPECT_THAT(world.Rows("lstMbr"),
              ElementsAre("#100668264|Bob|80|Mage", "#100668264|Al|7|", "#100668264|Cy|9|Tank"));
  const auto list = world.List("lstMbr");
  EXPECT_EQ(list->Color(1, 0), kGreen);
  EXPECT_EQ(list->Color(2, 0), 0);
  EXPECT_EQ(list->Color(3, 0), 0);
  for (std::int32_t column = 0; column < 4; ++column) EXPECT_FALSE(list->Row(1)[column].color);

  world.ShowPage(3);
  EXPECT_THAT(world.Rows("lstGrp"),
              ElementsAre("#100668264|Bob|80|Mage", "#100668264|Al|7|", "|Raiders|5|fellows",
                          "#100668264|Cy|9|Tank",
                          // Without a field of its own, "Fellows" is found in "Fellowship".
                          "|Quiet|Quiet|fellows"));

  world.server.Answer("/member.php", "Level: 12");
  world.ShowPage(2);
  EXPECT_THAT(world.Rows("lstMbr"), IsEmpty());

  world.server.Answer("/event.php", "Event: Raid  Date: May 1  Description: Keys\nDate: May 2");
  world.ShowPage(4);
  EXPECT_THAT(
      world.Rows("lstQst"),
      ElementsAre("#100668264|Raid|May 1|Keys|Event: Raid  Date: May 1  Description: Keys"));

  world.server.Answer("/message.php",
                      "From: Ann  Sample: hi  MsgID: 7\nTo: Bob  MsgID: 8\nMsgID: 9");
  world.SetChoice("chMsg", 2);
  world.ShowPage(1);
  EXPECT_THAT(world.Rows("lstMsg"),
              ElementsAre("#100668264|Ann|hi|#100667896|7", "#100668264|Bob||#100667896|8"));
}

TEST_F(ListTabTest, IconsAskWhoisAndNamesTypeALine) {
  world.server.Answer("/member.php", "Name: A\nName: B\nName: C\nName: Fish & Chips");
  world.server.Answer("/event.php", "Event: Raid  Addedby: Ann & Co\nEvent: Hunt");
  world.server.Answer("/message.php", "From: Ann  MsgID: 7");
  world.SetChoice("chMsg", 1);
  for (std::int32_t page : {1, 2, 3, 4}) world.ShowPage(page);
  world.server.Answer("/member.php", "");
  world.Forget();
  for (const char* list : {"lstMbr", "lstGrp"}) {
    for (std::int32_t column : {0, 1, 2, 3}) world.Click(list, column, 3);
  }
  world.Click("lstMsg", 0, 0);
  world.Click("lstMsg", 1, 0);
  world.Click("lstMsg", 4, 0);
  world.Click("lstQst", 0, 0);
  world.Click("lstQst", 0, 1);
  for (std::int32_t column : {1, 2, 3, 4}) world.Click("lstQst", column, 1);
  EXPECT_THAT(
      world.Sent(),
      ElementsAre(Request("member.php", "whois Fish %26 Chips"),
                  Request("member.php", "whois Fish %26 Chips"), Request("member.php", "whois Ann"),
                  Request("member.php", "whois Ann %26 Co"), Request("member.php", "whois ")));
  EXPECT_THAT(world.Typed(),
              ElementsAre("/tell Fish & Chips, ", "/tell Fish & Chips, ", "/message Ann, "));
  // Any other column of an event prints its whole line.
  EXPECT_EQ(world.Chat(), std::vector<std::string>(4, "OV>> Event: Hunt"));
}

TEST_F(ListTabTest, ReadingOrDeletingAMessagePrintsAndAsksForTheListAgain) {
  world.server.Answer("/message.php", "From: A&B  MsgID: 7&8");
  world.SetChoice("chMsg", 1);
  world.ShowPage(1);
  world.Forget();
  world.Click("lstMsg", 2, 0);
  world.State().LoggedIn = false;  // now the list is not asked for again
  world.Click("lstMsg", 3, 0);
  EXPECT_THAT(world.Sent(), ElementsAre(Request("message.php", "read 7%268"),
                                        Request("message.php", "inbox read"),
                                        Request("message.php", "delete 7%268")));
  EXPECT_EQ(world.Chat(), std::vector<std::string>(2, "OV>> From: A&B  MsgID: 7&8"));
}

TEST_F(ListTabTest, HelpButtonsPrintTheScriptsHelpOnAnyPage) {
  for (const char* script : {"member.php", "message.php", "event.php"}) {
    world.server.Answer(std::string("/") + script, std::string(script) + " help");
  }
  for (const char* button : {"btnMbr", "btnMsg", "btnQst"}) world.Press(button);
  EXPECT_THAT(world.Sent(), ElementsAre(Request("member.php", ""), Request("message.php", ""),
                                        Request("event.php", "")));
  EXPECT_THAT(world.Chat(),
              ElementsAre("OV>> member.php help", "OV>> message.php help", "OV>> event.php help"));
}

TEST_F(ListTabTest, AMissingControlIsReportedAndTheOthersAreStillTaken) {
  auto view = world.State().MainView;
  world.State().MainView.reset();
  {
    TabQuests blind(world.State());
    world.State().MainView = view;
    blind.Refresh();
  }
  const std::string not_set =
      ". Number: 91, Description: Object variable or With block variable not set Source: "
      "Ostravel";
  const std::string init = "Error in TabQuests.Class_Initialize" + not_set;
  EXPECT_THAT(world.Errors(),
              ElementsAre(init, init, init, init, init, "Error in TabQuests.Refresh" + not_set));
  world.ShowPage(4);  // the gone page no longer answers; the plug-in's does, once
  EXPECT_EQ(world.Sent().size(), 1u);
}

}  // namespace
}  // namespace ostravel

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "tabs/ListTab.h"
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
};

TEST_F(ListTabTest, OnlyTheShowingPageAsksAndOnlyOnceLoggedIn) {
  world.State().LoggedIn = false;
  world.ShowPage(2);
  world.State().LoggedIn = true;
  world.Members().Refresh();
  world.Messages().Refresh();
  world.Groups().Refresh();
  world.Quests().Refresh();
  world.Settle();
  world.harness.host.View()->Activate.Emit();
  world.Settle();
  // The sample character is level 126.
  EXPECT_THAT(world.Sent(), ElementsAre(Request("member.php", "list online level>105"),
                                        Request("member.php", "list online level>105")));
}

TEST_F(ListTabTest, EveryOptionAsksForItsList) {
  // Lists: one for each option, in order, separated by ",".
  const struct {
    std::int32_t page;
    const char *choice, *script, *lists;
  } options[] = {
      {2, "chMbr", "member.php",
       "list online level>105,list online,friends,list magistrate,list pkgeneral,"
       "list chainmanager,list questmaster,list brt,list reporter,list online nearby,"
       "list online pk,list online lockpick,list online armortinkering,"
       "list online weapontinkering,list online magicitemtinkering,list online itemtinkering,"
       "list online alchemy,list online cooking,list online fletching,list online level>99,"
       "list online level>79 level<101,list online level>59 level<81,"
       "list online level>39 level<61,list online level>19 level<41,list online level<21"},
      {1, "chMsg", "message.php", "inbox new,inbox read,outbox"},
      {3, "chGrp", "member.php", "fellowships,list online wantgroup soloplayer"},
      {4, "chQst", "event.php", "list nrofdays=1,list nrofdays=7,list,list mine"}};
  for (const auto& option : options) {
    world.SetPage(option.page);
    world.Forget();
    std::vector<std::string> expected;
    std::istringstream lists(option.lists);
    std::int32_t index = 0;
    for (std::string list; std::getline(lists, list, ',');) {
      world.Choose(option.choice, index++);
      expected.push_back(Request(option.script, list));
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

TEST(MyLevelrangeTest, CoversTwentyLevelsEachWayWithinBounds) {
  const std::pair<std::int32_t, const char*> cases[] = {{20, "list online level<41"},
                                                        {21, "list online level>0 level<42"},
                                                        {50, "list online level>29 level<71"},
                                                        {125, "list online level>104 level<146"},
                                                        {126, "list online level>105"}};
  for (const auto& [level, list] : cases) {
    auto profile = sim::SampleProfile();
    profile.level = level;
    test::TabWorld world(profile);
    world.ShowPage(2);
    EXPECT_THAT(world.Sent(), ElementsAre(Request("member.php", list))) << level;
  }
}

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

TEST_F(ListTabTest, IconsAskWhoisNamesTypeALineAndMessagesAreReadOrDeleted) {
  world.server.Answer("/member.php", "Name: A\nName: B\nName: C\nName: Fish & Chips");
  world.server.Answer("/event.php", "Event: Raid  Addedby: Ann & Co\nEvent: Hunt");
  world.server.Answer("/message.php", "From: A&B  MsgID: 7&8");
  world.SetChoice("chMsg", 1);
  for (std::int32_t page : {2, 3, 4, 1}) world.ShowPage(page);
  world.server.Answer("/member.php", "");
  world.Forget();
  for (const char* list : {"lstMbr", "lstGrp"})
    for (std::int32_t column : {0, 1, 2, 3}) world.Click(list, column, 3);
  world.Click("lstQst", 0, 0);
  world.Click("lstQst", 0, 1);
  for (std::int32_t column : {1, 2, 3, 4}) world.Click("lstQst", column, 1);
  for (std::int32_t column : {0, 1, 4, 2}) world.Click("lstMsg", column, 0);
  world.State().LoggedIn = false;  // now the list is not asked for again after a delete
  world.Click("lstMsg", 3, 0);
  EXPECT_THAT(
      world.Sent(),
      ElementsAre(Request("member.php", "whois Fish %26 Chips"),
                  Request("member.php", "whois Fish %26 Chips"),
                  Request("member.php", "whois Ann %26 Co"), Request("member.php", "whois "),
                  Request("member.php", "whois A%26B"), Request("message.php", "read 7%268"),
                  Request("message.php", "inbox read"), Request("message.php", "delete 7%268")));
  EXPECT_THAT(world.Typed(),
              ElementsAre("/tell Fish & Chips, ", "/tell Fish & Chips, ", "/message A&B, "));
  // Any other column of an event prints its whole line; reading prints the message.
  std::vector<std::string> chat(4, "OV>> Event: Hunt");
  chat.resize(6, "OV>> From: A&B  MsgID: 7&8");
  EXPECT_EQ(world.Chat(), chat);
}

}  // namespace
}  // namespace ostravel

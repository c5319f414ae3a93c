#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "common/Context.h"
#include "tabs/ListTab.h"
#include "tabs/ReceivedDate.h"
#include "tabs/TabGroups.h"
#include "tabs/TabMessages.h"
#include "tabs/TabWorld.h"

namespace ostravel {
namespace {

using platform::DateTime;
using test::Request;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr std::int32_t kSelf = 1342177295;  // the sample character
constexpr std::int32_t kOther = 77;

// Three messages received on 1 May 2024, in the server's two date forms; the newest 1:30 PM.
constexpr const char* kThreeNew =
    "From: Ann  Sample: hi  MsgID: 1  Recieved: 2024-05-01 09:00:00\n"
    "From: Bob  Sample: yo  MsgID: 2  Recieved: 5/1/2024 1:30:00 PM\n"
    "From: Cy  Sample: hey  MsgID: 3  Recieved: 2024-05-01 11:15:00";

// The plug-in's four list pages side by side; each answers only on its page.
class ListTabTest : public ::testing::Test {
 protected:
  // The post timer's minute, with `answer` from the server.
  void Minute(const std::string& answer) {
    world.server.Answer("/message.php", answer);
    world.Forget();
    messages.MessageTrigger();
    world.Settle();
  }
  void Fellows(std::vector<FellowRec> fellows) {
    for (std::size_t i = 0; i < fellows.size(); ++i) world.State().Fellows[i] = fellows[i];
  }
  // The fellowship reports sent, each from its fellowship's name on.
  std::vector<std::string> Reports() const {
    std::vector<std::string> reports;
    for (const auto& sent : world.Sent())
      if (sent.starts_with("fellowship.php "))
        reports.push_back(sent.substr(sent.find("&FellowshipName=")));
    return reports;
  }

  test::TabWorld world;
  TabMessages& messages = world.Messages();
  TabGroups& groups = world.Groups();
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

TEST_F(ListTabTest, EachMessageIsAnnouncedOnceAndAnUnreadableDateEndsTheAnswer) {
  Minute(std::string(kThreeNew) + "\nFrom: Di  Recieved: yesterday");
  const char* error =
      "Error in WebRequest.OnReadyStateChange. Number: 13, Description: Type mismatch Source: "
      "Ostravel";
  EXPECT_THAT(world.Errors(), ElementsAre(error));
  EXPECT_THAT(world.Chat(), ElementsAre(std::string("OV>> ") + error));
  EXPECT_THAT(world.Rows("lstMsg"), IsEmpty());
  Minute(kThreeNew);  // nothing was counted
  EXPECT_THAT(world.Sent(), ElementsAre(Request("message.php", "inbox new")));
  EXPECT_THAT(world.Chat(), ElementsAre("OV>> You have 3 new message(s)"));
  Minute(kThreeNew);
  EXPECT_THAT(world.Chat(), IsEmpty());
  // 1:30 PM in the other form is no newer; a second later is.
  Minute(std::string(kThreeNew) + "\nRecieved: 2024-05-01 13:30:00\nRecieved: 5/1/2024 1:30:01 PM");
  EXPECT_THAT(world.Chat(), ElementsAre("OV>> You have 1 new message(s)"));
}

TEST_F(ListTabTest, TheMinuteRefreshesTheShowingPageOrCountsWithoutDrawing) {
  world.SetChoice("chMsg", 1);
  Minute(kThreeNew);  // another page shows: new messages are counted, and not drawn
  EXPECT_THAT(world.Sent(), ElementsAre(Request("message.php", "inbox new")));
  EXPECT_THAT(world.Chat(), ElementsAre("OV>> You have 3 new message(s)"));
  EXPECT_THAT(world.Rows("lstMsg"), IsEmpty());
  world.SetPage(1);
  Minute(kThreeNew);
  EXPECT_THAT(world.Sent(), ElementsAre(Request("message.php", "inbox read")));
  EXPECT_THAT(world.Chat(), IsEmpty());  // drawn, not counted
  EXPECT_EQ(world.Rows("lstMsg").size(), 3u);
  world.State().LoggedIn = false;
  Minute("");
  EXPECT_THAT(world.Sent(), ElementsAre(Request("message.php", "inbox new")));
  world.State().LoggedIn = true;
  world.SetChoice("chMsg", 0);  // new messages chosen: drawn even while another page shows
  world.SetPage(3);
  Minute(std::string(kThreeNew) + "\nFrom: Di  MsgID: 4  Recieved: 2024-05-02 08:00:00");
  EXPECT_EQ(world.Rows("lstMsg").size(), 4u);
}

TEST(TabReceivedDateTest, ReadsEveryDateFormOfTheUsSettingInOrderAndRefusesOthers) {
  const std::pair<const char*, DateTime> forms[] = {
      {"2024-05-01", {2024, 5, 1, 0, 0, 0}},
      {"2024-05-01 09:05", {2024, 5, 1, 9, 5, 0}},
      {"2024-05-01T09:06:07", {2024, 5, 1, 9, 6, 7}},
      {"2024-05-01T10:00", {2024, 5, 1, 10, 0, 0}},
      {"2024-5-2 1:02:03 PM", {2024, 5, 2, 13, 2, 3}},
      {"5/3/2024", {2024, 5, 3, 0, 0, 0}},
      {"5/3/2024 12:30 AM", {2024, 5, 3, 0, 30, 0}},
      {"5/3/2024 11:59:59 am", {2024, 5, 3, 11, 59, 59}},
      {"5/3/2024 12:00:30 PM", {2024, 5, 3, 12, 0, 30}},
      {"05/03/2024 1:15 PM", {2024, 5, 3, 13, 15, 0}},
      {"5/3/2024 14:20", {2024, 5, 3, 14, 20, 0}},
      {" 12/31/2024 23:59:59 ", {2024, 12, 31, 23, 59, 59}}};
  DateTime last = kZeroDate;  // the forms go forward in time, each field in turn
  for (const auto& [text, date] : forms) {
    EXPECT_EQ(ReadReceivedDate(text), date) << text;
    EXPECT_TRUE(IsLater(date, last) && !IsLater(last, date) && !IsLater(date, date)) << text;
    last = date;
  }
  EXPECT_TRUE(IsLater(DateTime{2025, 1, 1, 0, 0, 0}, last));
  for (const char* text :
       {"", "yesterday", "2024-05-01 24:00", "2024-05-01 13:60", "2024-05-01 13:02:60",
        "2023-02-29", "2/30/2024", "5/1/24", "24-05-01", "5/1/2024T10:00", "5/1/2024 13:00 PM",
        "5/1/2024 0:30 AM", "5/1/2024 1:2", "5/1/2024 1:02 XM", "2024-05-01 13:02:03x",
        "2024-05-01  13:02", "+024-05-01", "2024-05-001", "5/1/2024 10"}) {
    EXPECT_FALSE(ReadReceivedDate(text)) << text;
  }
}

TEST_F(ListTabTest, EnlistingAndReportsAskForTheListOnlyWhileThePageShows) {
  world.Control<sim::SimCheckbox>("chkGrp")->UserCheck(true);
  groups.FellowDisband();
  world.Settle();
  EXPECT_THAT(world.Sent(), ElementsAre(StartsWith("fellowship.php CID=1342177295&")));
  world.Forget();
  world.ShowPage(3);  // the Groups page
  world.server.Delay(std::chrono::milliseconds(200));
  world.Control<sim::SimCheckbox>("chkGrp")->UserCheck(false);
  groups.FellowDisband();  // asked for while the list is loading: follows it
  world.Settle();
  std::string enlisted = test::kStandardFields;
  enlisted.back() = '1';  // "WantFellowship=1"
  EXPECT_THAT(world.Sent(),
              ElementsAre(Request("member.php", "fellowships", enlisted),
                          Request("member.php", "fellowships"), StartsWith("fellowship.php "),
                          Request("member.php", "fellowships")));
}

TEST_F(ListTabTest, TheLeaderReportsChangesOnlyWhenSomethingDiffers) {
  Fellows({{kSelf, "Ostra Vel", 126}, {kOther, "Bob", 80}});
  groups.FellowCreate(2, kSelf, "Raiders", false, true);
  world.Settle();
  EXPECT_THAT(Reports(), ElementsAre("&FellowshipName=Raiders&SharedXp=True&LeaderCID=1342177295"
                                     "&LeaderName=Ostra+Vel&LeaderLevel=126&Fellows=2"
                                     "&Fellow1CID=1342177295&Fellow1Name=Ostra+Vel"
                                     "&Fellow1Level=126&Fellow2CID=77&Fellow2Name=Bob"
                                     "&Fellow2Level=80"));
  world.Forget();
  groups.FellowCreate(2, kSelf, "Raiders", false, true);
  world.Settle();
  EXPECT_THAT(world.Sent(), IsEmpty());
  groups.FellowCreate(2, kSelf, "Raiders", true, true);  // opened
  world.Settle();
  groups.FellowMemberQuit(kOther);  // still counted until the next full report
  world.Settle();
  EXPECT_THAT(Reports(), ElementsAre(HasSubstr("&Fellows=2&"), HasSubstr("&Fellows=2&")));
}

TEST_F(ListTabTest, AMemberOfAnotherFellowshipReportsOnlyWhenItEndsForIt) {
  Fellows({{kOther, "Bob", 80}, {kSelf, "Ostra Vel", 126}});
  groups.FellowCreate(2, kOther, "Raiders", true, false);
  std::int32_t count = 2;
  groups.FellowAdd(88, "Cy", 5, 1, 1, 1, count);
  groups.FellowMemberQuit(88);
  groups.FellowMemberDismiss(88);
  world.Settle();
  EXPECT_THAT(world.Sent(), IsEmpty());
  EXPECT_EQ(world.State().FellowshipInfo.LeaderName, "Bob");
  groups.FellowDisband();
  world.Settle();
  EXPECT_THAT(Reports(), ElementsAre("&FellowshipName=0&SharedXp=False&LeaderCID=0"
                                     "&LeaderName=Bob&LeaderLevel=80&Fellows=0"));
  world.Forget();  // leaving or being dismissed ends it for this character too
  for (bool dismissed : {false, true}) {
    groups.FellowCreate(3, kOther, "Raiders", true, false);
    dismissed ? groups.FellowMemberDismiss(kSelf) : groups.FellowMemberQuit(kSelf);
    world.Settle();
  }
  EXPECT_THAT(Reports(),
              ElementsAre(StartsWith("&FellowshipName=0&"), StartsWith("&FellowshipName=0&")));
  EXPECT_EQ(world.State().FellowshipInfo.FCount, 0);
}

}  // namespace
}  // namespace ostravel

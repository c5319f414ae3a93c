#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tabs/ReceivedDate.h"
#include "tabs/TabMessages.h"
#include "tabs/TabWorld.h"

namespace ostravel {
namespace {

using platform::DateTime;
using test::Request;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Three messages received on 1 May 2024, in the server's two date forms; the newest 1:30 PM.
constexpr const char* kThreeNew =
    "From: Ann  Sample: hi  MsgID: 1  Recieved: 2024-05-01 09:00:00\n"
    "From: Bob  Sample: yo  MsgID: 2  Recieved: 5/1/2024 1:30:00 PM\n"
    "From: Cy  Sample: hey  MsgID: 3  Recieved: 2024-05-01 11:15:00";

class TabMessagesTest : public ::testing::Test {
 protected:
  // The post timer's minute, with `answer` from the server.
  void Minute(const std::string& answer) {
    world.server.Answer("/message.php", answer);
    world.Forget();
    tab.MessageTrigger();
    world.Settle();
  }

  test::TabWorld world;
  TabMessages& tab = world.Messages();
};

TEST_F(TabMessagesTest, EachMessageIsAnnouncedOnceAndAnUnreadableDateEndsTheAnswer) {
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

TEST_F(TabMessagesTest, TheMinuteRefreshesTheShowingPageOrCountsWithoutDrawing) {
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

}  // namespace
}  // namespace ostravel

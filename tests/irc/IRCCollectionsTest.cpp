#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Context.h"
#include "irc/IRCChannels.h"
#include "irc/IRCServers.h"
#include "irc/IRCUsers.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Nicks(const IRCUsers& users) {
  std::vector<std::string> nicks;
  for (const auto& user : users.Members()) nicks.push_back(user->NickName);
  return nicks;
}

TEST(IRCUsersTest, KeepsOneSortedEntryPerNickWithoutModeMarks) {
  IRCUsers users;
  for (const char* nick : {"b", "@a", "+C", "B", "a"}) users.Add(nick);
  EXPECT_THAT(Nicks(users), ElementsAre("a", "b", "C"));
  EXPECT_TRUE(users.UsersChanged);
  EXPECT_EQ(users.Count(), 3);
  EXPECT_EQ(users.Add("@@x")->NickName, "@x");  // only one mark is taken off
  EXPECT_EQ(users.Add("@")->NickName, "");
  EXPECT_THAT(Nicks(users), ElementsAre("", "@x", "a", "b", "C"));
}

TEST(IRCUsersTest, FindsAndRemovesWithoutRegardToCase) {
  IRCUsers users;
  users.Add("Alice");
  users.UsersChanged = false;
  EXPECT_TRUE(users.Exists("ALICE"));
  EXPECT_EQ(users.Item("alice")->NickName, "Alice");
  EXPECT_THROW(users.Item("bob"), Error);
  users.Remove("bob");  // absent: nothing but the flag
  EXPECT_TRUE(users.UsersChanged);
  EXPECT_EQ(users.Count(), 1);
  users.Remove("aLiCe");
  EXPECT_EQ(users.Count(), 0);
}

class IRCKeyedTest : public ::testing::Test {
 protected:
  IRCKeyedTest() : ctx(env.Env()) { ctx.ACHooks = hooks; }
  test::TestEnvironment env;
  Context ctx;
  std::shared_ptr<test::RecordingHooks> hooks = std::make_shared<test::RecordingHooks>();
};

TEST_F(IRCKeyedTest, ChannelsAreFoundWithoutRegardToCaseAndKeepTheirOrder) {
  IRCChannels channels(ctx);
  channels.Add("#zeta", "z", 3, true);
  auto chan = channels.Add("#chan", "ac", 14, false);
  ASSERT_NE(chan, nullptr);
  EXPECT_TRUE(channels.Exists("#Chan"));
  EXPECT_EQ(channels.Item("#CHAN"), chan);
  std::vector<std::string> order;
  for (const auto& c : channels) order.push_back(c->ChannelName);
  EXPECT_THAT(order, ElementsAre("#zeta", "#chan"));
  EXPECT_THROW(channels.Item("#none"), Error);
  EXPECT_THROW(channels.Remove("#none"), Error);
  channels.Remove("#ZETA");
  EXPECT_EQ(channels.Count(), 1);
}

TEST_F(IRCKeyedTest, ASecondMemberOfTheSameNameIsRefusedAndReported) {
  IRCChannels channels(ctx);
  channels.Add("#chan", "a", 1, true);
  EXPECT_EQ(channels.Add("#CHAN", "b", 2, false), nullptr);
  EXPECT_EQ(channels.Item("#chan")->Command, "a");
  ASSERT_EQ(hooks->chat.size(), 1u);
  EXPECT_THAT(hooks->chat[0].text, HasSubstr("Error in IRCChannels.Add. Number: 457"));

  IRCServers servers(ctx);
  auto first = servers.Add("irc.example", "6667");
  EXPECT_EQ(servers.Add("IRC.Example", "7000"), nullptr);
  EXPECT_EQ(servers.Item("irc.EXAMPLE"), first);
  EXPECT_EQ(first->ServerPort, "6667");
  EXPECT_THAT(hooks->chat.back().text, HasSubstr("Error in IRCServers.Add. Number: 457"));
}

}  // namespace
}  // namespace ostravel

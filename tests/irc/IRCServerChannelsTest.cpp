// Channels and users: the user lists, what is shown of a channel's traffic, game chat to a
// channel, kicks and bans.
#include "irc/IRCServerFixture.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using test::FakeIRCServerTest;
using test::ScriptedIRCServerTest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Double spaces and bare marks in the name reply add nobody: an empty nick would stay listed.
TEST_F(FakeIRCServerTest, TheUserListFollowsJoinsPartsQuitsAndKicks) {
  Registered(false);
  for (const char* line :
       {":Bob!b@h JOIN :#chan", ":irc.test 353 Bob = #chan :Bob  @ann @ +carl  + dave ",
        ":ann!a@h PART #chan", ":carl!c@h PART #CHAN :off to bed", ":erin!e@h JOIN #chan",
        ":dave!d@h QUIT :gone", ":erin!e@h NICK :fay"}) {
    network.Receive(line);
  }
  EXPECT_THAT(Users(), ElementsAre("Bob", "fay"));
  EXPECT_EQ(hooks->chat.back().text, "OV>> *** Now talking in #chan. Type @ac to chat.");

  network.Receive(":op!o@h KICK #chan fay :spam");
  EXPECT_THAT(Users(), ElementsAre("Bob"));
  network.Receive(":Bob!b@h PART #chan");
  EXPECT_THAT(Users(), IsEmpty());
  EXPECT_EQ(hooks->chat.back().text, "OV>> *** You left #chan");
  EXPECT_EQ(hooks->chat.back().color, 14);
  EXPECT_TRUE(channel->Join);  // leaving on its own does not turn the channel off
}

// The marks a server announces in PREFIX come off the nicks of a name reply, all of them; its
// mode letters are no marks, so a nick that begins with one keeps it.
TEST_F(FakeIRCServerTest, TheMarksOfTheServersPrefixComeOffAndItsModeLettersStay) {
  server->Connect();
  network.Accept();
  for (const char* line : {
           ":irc.test 001 Bob :Welcome",
           ":irc.test 005 Bob CHANTYPES=# PREFIX=(qaohv)~&@%+ :are supported by this server",
           ":irc.test 376 Bob :End of MOTD command",
           ":Bob!b@h JOIN :#chan",
           ":irc.test 353 Bob = #chan :~queen &oscar @+vera %hal +ann quinn olive",
       }) {
    network.Receive(line);
  }
  EXPECT_THAT(Users(),
              ElementsAre("ann", "Bob", "hal", "olive", "oscar", "queen", "quinn", "vera"));
}

// A click on a user's icon just after the connection ended: one line says why nothing was
// asked, not the socket's error.
TEST_F(FakeIRCServerTest, AskingAboutAUserWithoutAConnectionSaysWhyNot) {
  Registered();
  EXPECT_TRUE(server->Whois("ann"));
  EXPECT_THAT(network.TakeLines(), ElementsAre("WHOIS ann"));
  network.PeerCloses();
  hooks->chat.clear();
  EXPECT_FALSE(server->Whois("ann"));
  server->CTCPVersion("ann");
  EXPECT_THAT(network.TakeLines(), IsEmpty());
  ASSERT_EQ(Chat().size(), 2u);
  // gtest's regular expressions differ between the platforms; the wait's figure is left out.
  EXPECT_THAT(Chat()[0],
              testing::StartsWith("OV>> * Not connected to 127.0.0.1; reconnecting in "));
  EXPECT_THAT(Chat()[0], testing::EndsWith(" s. Not asked who ann is."));
  EXPECT_THAT(Chat()[1], testing::EndsWith(" Not asked for the version of ann."));
  for (const auto& line : Chat()) EXPECT_EQ(line.find("Error in"), std::string::npos) << line;
}

TEST_F(FakeIRCServerTest, OnlyChannelTrafficIsShown) {
  server->Channels.Add("#other", "o", 5, false);
  Registered();
  for (const char* line : {
           ":ann!a@h PRIVMSG Bob :just \002for\002 \0034,1you\017",
           ":ann!a@h NOTICE Bob :a notice",
           ":irc.test NOTICE Bob :*** server chatter",
           ":ann!a@h PRIVMSG #elsewhere :not ours",
           ":ann!a@h PRIVMSG #chan :hello all",
           ":irc.test 332 Bob #chan :Raid tonight",
           ":ann!a@h TOPIC #Other :Raid at nine",
           ":irc.test 311 Bob ann ~a host * :Ann Real",
       }) {
    network.Receive(line);
  }
  EXPECT_THAT(ColouredChat(),
              ElementsAre("14 OV>> [IRC] <ann> just for you", "14 OV>> [IRC] -ann- a notice",
                          "14 OV>> <ann> hello all", "14 OV>> * Topic is \"Raid tonight\"",
                          "5 OV>> * ann changes the topic to \"Raid at nine\"",
                          "7 OV>> ann real name reply: Ann Real"));
}

// A line is shown as sent only when it went to a channel the server has let us into; every
// other time the player reads why it was not sent.
TEST_F(ScriptedIRCServerTest, ChatIsEchoedOnlyWhenItReallyGoesOut) {
  EXPECT_TRUE(server->ChatText("ac hello"));  // used up, though nothing can be sent
  EXPECT_FALSE(server->ChatText("achello"));
  EXPECT_FALSE(server->ChatText("a hello"));
  ConnectAndRegister(false);
  server->ChatText("ac too early");
  scripted.Send(":irc.test 376 Bob :End of MOTD command");
  EXPECT_EQ(scripted.Line(), "JOIN #chan");
  LinesUntilSync();
  server->ChatText("ac before the join");
  scripted.Send(":irc.test 475 Bob #chan :Cannot join channel (+k) -- Wrong channel key");
  LinesUntilSync();
  server->ChatText("ac refused");
  Joined();
  EXPECT_TRUE(server->ChatText("AC   hi there  "));
  EXPECT_TRUE(server->ChatText("ac /me \x02waves\x02"));
  scripted.Send(":irc.test 404 Bob #chan :Cannot send to channel");
  EXPECT_THAT(LinesUntilSync(), ElementsAre("PRIVMSG #chan :hi there",
                                            "PRIVMSG #chan :\001ACTION \002waves\002\001"));
  channel->Join = false;
  EXPECT_TRUE(server->ChatText("ac switched off"));
  const std::string not_sent = " Your line was not sent.";
  std::vector<std::string> shown;
  for (const auto& line : Chat()) {
    if (!line.starts_with("OV>> * Conn")) shown.push_back(line);
  }
  EXPECT_THAT(
      shown, ElementsAre(
                 "OV>> * Not connected to 127.0.0.1; tick \"On\" for a channel on the "
                 "IRC page to try again." +
                     not_sent,
                 "OV>> * Not registered with 127.0.0.1 yet." + not_sent,
                 "OV>> * Not in #chan yet; joining." + not_sent,
                 "OV>> *** Cannot join #chan: Cannot join channel (+k) -- Wrong channel "
                 "key (475)",
                 "OV>> * Not in #chan: Cannot join channel (+k) -- Wrong channel key "
                 "(475)." +
                     not_sent,
                 "OV>> *** Now talking in #chan. Type @ac to chat.", "OV>> <Bob> hi there",
                 "OV>> * Bob waves", "OV>> * Not delivered to #chan: Cannot send to channel (404)",
                 "OV>> * #chan is off: tick \"On\" for it on the IRC page to join it." + not_sent));
  // Goodbye when the plug-in stops.
  server.reset();
  EXPECT_EQ(scripted.Line(), "QUIT :Ostravel 3.0.0.10");
}

TEST_F(ScriptedIRCServerTest, AKickOrABanTurnsTheChannelOff) {
  auto second = server->Channels.Add("#second", "s", 3, true);
  ConnectAndRegister();
  EXPECT_EQ(scripted.Line(), "JOIN #second");
  scripted.Send(":irc.test 474 someone #chan :Cannot join channel (+b)");  // not about us
  scripted.Send(":op!o@h KICK #chan Bob :behave");
  scripted.Send(":irc.test 474 Bob #second :Cannot join channel (+b)");
  LinesUntilSync();
  EXPECT_FALSE(channel->Join);
  EXPECT_FALSE(second->Join);
  EXPECT_THAT(Chat(), testing::IsSupersetOf({"OV>> *** You were kicked from #chan by op (behave)",
                                             "OV>> *** You are banned from #second"}));
}

}  // namespace
}  // namespace ostravel

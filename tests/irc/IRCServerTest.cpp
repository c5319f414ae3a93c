// The IRC connection against a scripted server on 127.0.0.1: the test plays the server line by
// line, so what the client must send back is exact.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <asio/ip/host_name.hpp>

#include "common/Context.h"
#include "irc/IRCServer.h"
#include "irc/TabIRC.h"
#include "support/PluginHarness.h"
#include "support/RecordingHooks.h"
#include "support/ScriptedIrcServer.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class IRCServerTest : public ::testing::Test {
 protected:
  IRCServerTest() : ctx(env.Env()), scripted(env.loop) {
    ctx.ACHooks = hooks;
    server = std::make_unique<IRCServer>(ctx, "127.0.0.1", scripted.Port());
    channel = server->Channels.Add("#chan", "ac", 14, true);
    server->NickName = "Bob";
    server->RealName = "[DT:Ann] Bob";
  }

  // Connects and takes the registration lines.
  void ConnectAndRegister(bool end_of_motd = true) {
    server->Connect();
    ASSERT_TRUE(scripted.Accept());
    ASSERT_EQ(scripted.Line(),
              "USER 3.0.0.10 " + asio::ip::host_name() + " 127.0.0.1 :[DT:Ann] Bob");
    ASSERT_EQ(scripted.Line(), "NICK Bob");
    if (!end_of_motd) return;
    scripted.Send(":irc.test 376 Bob :End of MOTD command");
    ASSERT_EQ(scripted.Line(), "JOIN #chan");
  }

  // The server lets the client into #chan.
  void Joined() {
    scripted.Send(":Bob!b@h JOIN :#chan");
    LinesUntilSync();
  }

  // What the client sent until it answered a ping sent now: it reads the server's lines in
  // order, so by then it has handled everything sent before.
  std::vector<std::string> LinesUntilSync() {
    scripted.Send("PING :sync");
    std::vector<std::string> lines;
    for (auto line = scripted.Line(); line && *line != "PONG :sync"; line = scripted.Line())
      lines.push_back(*line);
    return lines;
  }

  std::vector<std::string> Chat() const {
    std::vector<std::string> texts;
    for (const auto& line : hooks->chat) texts.push_back(line.text);
    return texts;
  }

  std::vector<std::string> Users() const {
    std::vector<std::string> nicks;
    for (const auto& user : channel->Users.Members()) nicks.push_back(user->NickName);
    return nicks;
  }

  test::TestEnvironment env;
  Context ctx;
  std::shared_ptr<test::RecordingHooks> hooks = std::make_shared<test::RecordingHooks>();
  test::ScriptedIrcServer scripted;
  std::unique_ptr<IRCServer> server;
  std::shared_ptr<IRCChannel> channel;
};

TEST_F(IRCServerTest, NothingConnectsWithoutAWantedChannelOrWithoutNames) {
  channel->Join = false;
  server->Connect();
  channel->Join = true;
  server->NickName = "";
  server->Connect();
  server->NickName = "Bob";
  server->RealName = "";
  server->Connect();
  EXPECT_FALSE(scripted.Accept(200ms));
  EXPECT_THAT(Chat(), IsEmpty());
  EXPECT_EQ(server->RetryCount(), 0);
}

TEST_F(IRCServerTest, ANickInUseTakesANumberAndGivesUpAfterTenTries) {
  ConnectAndRegister(false);
  std::vector<std::string> renames;
  for (int refusal = 0; refusal < 10; ++refusal) {
    scripted.Send(":irc.test 433 * " + server->NickName + " :Nickname already in use");
    renames.push_back(scripted.Line().value_or("(nothing)"));
  }
  EXPECT_THAT(renames, ElementsAre(":Bob NICK Bob-2", ":Bob-2 NICK Bob-3", ":Bob-3 NICK Bob-4",
                                   ":Bob-4 NICK Bob-5", ":Bob-5 NICK Bob-6", ":Bob-6 NICK Bob-7",
                                   ":Bob-7 NICK Bob-8", ":Bob-8 NICK Bob-9", ":Bob-9 NICK Bob-10",
                                   ":Bob-10 NICK Bob-11"));
  scripted.Send(":irc.test 433 * Bob-11 :Nickname already in use");
  EXPECT_EQ(scripted.Line(500ms), std::nullopt);  // closed, nothing more sent
  EXPECT_EQ(Chat().back(),
            "OV>> * The nick Bob and 10 others are taken on 127.0.0.1; not connected; tick "
            "\"On\" for a channel on the IRC page to try again.");
  EXPECT_FALSE(scripted.Accept(2500ms));  // and no automatic retry
}

// The first NICK goes out before the server has told its limits. A refusal of a long nick cuts
// it to nine characters, and fallbacks then replace the tail instead of growing past it.
TEST_F(IRCServerTest, ATooLongNickIsCutAndFallbacksKeepToTheLimit) {
  server->NickName = "Ostra_Vel_Long";
  server->Connect();
  ASSERT_TRUE(scripted.Accept());
  scripted.Line();
  EXPECT_EQ(scripted.Line(), "NICK Ostra_Vel_Long");
  scripted.Send(":irc.test 432 * Ostra_Vel_Long :Erroneous nickname");
  EXPECT_EQ(scripted.Line(), ":Ostra_Vel_Long NICK Ostra_Vel");
  scripted.Send(":irc.test 433 * Ostra_Vel :Nickname already in use");
  EXPECT_EQ(scripted.Line(), ":Ostra_Vel NICK Ostra_V-2");
  scripted.Send(":irc.test 433 * Ostra_V-2 :Nickname already in use");
  EXPECT_EQ(scripted.Line(), ":Ostra_V-2 NICK Ostra_V-3");
  scripted.Send(":irc.test 001 Ostra_V-3 :Welcome");
  scripted.Send(":irc.test 005 Ostra_V-3 NICKLEN=9 :are supported by this server");
  scripted.Send(":irc.test 376 Ostra_V-3 :End of MOTD command");
  EXPECT_EQ(scripted.Line(), "JOIN #chan");

  // After a reconnection it asks for the preferred nick again, as far as the server takes it.
  scripted.Drop();
  ASSERT_TRUE(scripted.Accept(4s));
  scripted.Line();
  EXPECT_EQ(scripted.Line(), "NICK Ostra_Vel");

  // A nick refused for its characters cannot be helped by cutting it.
  scripted.Send(":irc.test 432 * Ostra_Vel :Erroneous nickname");
  EXPECT_EQ(scripted.Line(500ms), std::nullopt);
  EXPECT_THAT(Chat().back(), testing::StartsWith("OV>> * 127.0.0.1 refuses the nick Ostra_Vel "
                                                 "(Erroneous nickname); not connected"));
}

TEST_F(IRCServerTest, ChannelsAreJoinedOnlyOnceTheGreetingIsOver) {
  auto quiet = server->Channels.Add("#quiet", "q", 3, false);
  ConnectAndRegister(false);
  server->Join("#chan");
  EXPECT_FALSE(server->Registered());
  EXPECT_THAT(LinesUntilSync(), IsEmpty());
  scripted.Send("PING :irc.test");
  EXPECT_EQ(scripted.Line(), "PONG :irc.test");
  scripted.Send(":irc.test 376 Bob :End of MOTD command");
  EXPECT_EQ(scripted.Line(), "JOIN #chan");  // only the wanted one
  EXPECT_TRUE(server->Registered());
  server->Join("#QUIET");
  server->Join("#other");  // not a channel of this server
  server->Part("#chan");
  EXPECT_THAT(LinesUntilSync(), ElementsAre("JOIN #QUIET", "PART #chan"));
}

TEST_F(IRCServerTest, TheUserListFollowsJoinsPartsQuitsAndKicks) {
  ConnectAndRegister();
  scripted.Send(":Bob!b@h JOIN :#chan");
  scripted.Send(":irc.test 353 Bob = #chan :Bob @ann +carl dave");
  scripted.Send(":ann!a@h PART #chan");
  scripted.Send(":carl!c@h PART #CHAN :off to bed");
  scripted.Send(":erin!e@h JOIN #chan");
  scripted.Send(":dave!d@h QUIT :gone");
  scripted.Send(":erin!e@h NICK :fay");
  LinesUntilSync();  // the client has read all of it
  EXPECT_THAT(Users(), ElementsAre("Bob", "fay"));
  EXPECT_EQ(hooks->chat.back().text, "OV>> *** Now talking in #chan. Type @ac to chat.");

  scripted.Send(":op!o@h KICK #chan fay :spam");
  LinesUntilSync();
  EXPECT_THAT(Users(), ElementsAre("Bob"));
  scripted.Send(":Bob!b@h PART #chan");
  LinesUntilSync();
  EXPECT_THAT(Users(), IsEmpty());
  EXPECT_EQ(hooks->chat.back().text, "OV>> *** You left #chan");
  EXPECT_EQ(hooks->chat.back().color, 14);
  EXPECT_TRUE(channel->Join);  // leaving on its own does not turn the channel off
}

// A connection that ends without QUITs (a crash, a lost network) leaves nobody behind, and the
// line it cut off is not glued to the first line of the next connection.
TEST_F(IRCServerTest, AnEndedConnectionLeavesNoUsersAndNoHalfLine) {
  ConnectAndRegister();
  scripted.Send(":Bob!b@h JOIN :#chan");
  scripted.Send(":irc.test 353 Bob = #chan :Bob @ann carl");
  LinesUntilSync();
  EXPECT_THAT(Users(), ElementsAre("ann", "Bob", "carl"));
  channel->Users.UsersChanged = false;
  EXPECT_EQ(server->ChannelStatus(*channel), "");
  scripted.SendRaw(":ann!a@h PRIVMSG #chan :cut sho");
  env.loop.RunFor(200ms);
  scripted.Drop();
  ASSERT_TRUE(env.loop.RunUntil([&] { return server->SocketState() == 0; }, 3s));
  EXPECT_THAT(Users(), IsEmpty());
  EXPECT_TRUE(channel->Users.UsersChanged);
  EXPECT_EQ(server->ChannelStatus(*channel), "not joined");

  ASSERT_TRUE(scripted.Accept(4s));
  scripted.Line();
  scripted.Line();
  scripted.Send(":irc.test 376 Bob :End of MOTD command");
  EXPECT_EQ(scripted.Line(), "JOIN #chan");
  scripted.Send(":Bob!b@h JOIN :#chan");
  scripted.Send(":irc.test 353 Bob = #chan :Bob dave");
  LinesUntilSync();
  EXPECT_THAT(Users(), ElementsAre("Bob", "dave"));
  for (const auto& line : Chat()) EXPECT_EQ(line.find("cut sho"), std::string::npos) << line;
}

TEST_F(IRCServerTest, OnlyChannelTrafficIsShownAndCtcpIsAnswered) {
  server->Channels.Add("#other", "o", 5, false);
  ConnectAndRegister();
  hooks->chat.clear();
  scripted.Send(
      ":ann!a@h PRIVMSG Bob :just \x02"
      "for\x02 \x03"
      "4,1you\x0F");
  scripted.Send(":ann!a@h NOTICE Bob :a notice");
  scripted.Send(":irc.test NOTICE Bob :*** server chatter");
  scripted.Send(":ann!a@h PRIVMSG #elsewhere :not ours");
  scripted.Send(":ann!a@h PRIVMSG #chan :hello all");
  scripted.Send(
      ":ann!a@h PRIVMSG #Other :\x01"
      "ACTION waves\x01");
  scripted.Send(":irc.test 332 Bob #chan :Raid tonight");
  scripted.Send(":irc.test 311 Bob ann ~a host * :Ann Real");
  scripted.Send(
      ":ann!a@h NOTICE Bob :\x01"
      "VERSION mIRC 6.2\x01");
  scripted.Send(
      ":ann!a@h PRIVMSG Bob :\x01"
      "VERSION\x01");
  scripted.Send(
      ":ann!a@h PRIVMSG Bob :\x01"
      "TIME\x01");
  scripted.Send(
      ":ann!a@h PRIVMSG Bob :\x01"
      "PING 99\x01");
  EXPECT_EQ(scripted.Line(),
            "NOTICE ann :\x01"
            "VERSION Ostravel 3.0.0.10\x01");
  EXPECT_EQ(scripted.Line(),
            "NOTICE ann :\x01"
            "TIME 12/6/2026 6:37:19 AM\x01");
  EXPECT_EQ(scripted.Line(),
            "NOTICE ann :\x01"
            "PING 99\x01");
  std::vector<std::string> shown;
  for (const auto& line : hooks->chat)
    shown.push_back(std::to_string(line.color) + " " + line.text);
  EXPECT_THAT(shown, ElementsAre("14 OV>> [IRC] <ann> just for you", "14 OV>> [IRC] -ann- a notice",
                                 "14 OV>> <ann> hello all", "5 OV>> * ann waves",
                                 "14 OV>> * Topic is \"Raid tonight\"",
                                 "7 OV>> ann real name reply: Ann Real",
                                 "7 OV>> ann version reply: mIRC 6.2"));
}

// A line is shown as sent only when it went to a channel the server has let us into; every
// other time the player reads why it was not sent.
TEST_F(IRCServerTest, ChatIsEchoedOnlyWhenItReallyGoesOut) {
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
                                            "PRIVMSG #chan :\x01"
                                            "ACTION \x02waves\x02\x01"));
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

// A server that never finishes the greeting, or falls silent and does not answer a PING, is
// left and tried again; any line from it counts as an answer.
TEST_F(IRCServerTest, ASilentServerIsPingedThenLeftAndTriedAgain) {
  server->timing = {.registration = 300ms, .keep_alive = 300ms, .ping_timeout = 300ms};
  ConnectAndRegister(false);
  EXPECT_EQ(scripted.Line(1s), std::nullopt);  // the greeting does not end: the client leaves
  EXPECT_EQ(Chat().back(),
            "OV>> * 127.0.0.1 did not finish the greeting within 1 s; reconnecting in 2 s.");
  ASSERT_TRUE(scripted.Accept(3s));
  scripted.Line();
  scripted.Line();
  scripted.Send(":irc.test 376 Bob :End of MOTD command");
  EXPECT_EQ(scripted.Line(), "JOIN #chan");
  EXPECT_EQ(scripted.Line(1s), "PING :127.0.0.1");
  scripted.Send(":irc.test PONG irc.test :127.0.0.1");
  EXPECT_EQ(scripted.Line(1s), "PING :127.0.0.1");  // answered: still there, asked again later
  EXPECT_EQ(scripted.Line(1s), std::nullopt);       // not answered: gone
  EXPECT_THAT(Chat().back(), testing::StartsWith("OV>> * No answer from 127.0.0.1 for "));
  EXPECT_TRUE(scripted.Accept(3s));
}

TEST_F(IRCServerTest, AServerThatNeverAnswersATlsHandshakeIsLeftToo) {
  server->timing.registration = 300ms;
  server->UseTls = true;
  server->Connect();
  ASSERT_TRUE(scripted.Accept());
  ASSERT_TRUE(env.loop.RunUntil([&] { return Chat().size() == 2; }, 2s));
  EXPECT_EQ(Chat().back(), "OV>> * 127.0.0.1 did not answer within 1 s; reconnecting in 2 s.");
  EXPECT_TRUE(scripted.Accept(3s));
}

TEST_F(IRCServerTest, TheServersLastWordsAreShownOnce) {
  ConnectAndRegister();
  hooks->chat.clear();
  scripted.Send("ERROR :Closing Link: Bob (Too many connections)");
  LinesUntilSync();
  scripted.Drop();
  ASSERT_TRUE(scripted.Accept(4s));
  scripted.Send("ERROR :Closing Link: Bob (Too many connections)");
  scripted.Drop();
  ASSERT_TRUE(env.loop.RunUntil([&] { return server->SocketState() == 0; }, 3s));
  const auto shown = Chat();
  EXPECT_EQ(std::count(shown.begin(), shown.end(),
                       "OV>> * 127.0.0.1 ERROR: Closing Link: Bob (Too many connections)"),
            1);
  EXPECT_EQ(server->ChannelStatus(*channel), "ERROR: Closing Link: Bob (Too many connections)");
}

TEST_F(IRCServerTest, AKickOrABanTurnsTheChannelOff) {
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

// The waits between automatic reconnections double while no registration completes, and start
// again from the shortest once one does.
TEST_F(IRCServerTest, ReconnectionWaitsGrowAndAreResetByARegistration) {
  ConnectAndRegister(false);
  scripted.Drop();
  ASSERT_TRUE(env.loop.RunUntil(
      [&] {
        return !hooks->chat.empty() && hooks->chat.back().text.find("closed") != std::string::npos;
      },
      5s));
  ASSERT_TRUE(scripted.Accept(3s));  // after 2 s
  scripted.Drop();
  EXPECT_FALSE(scripted.Accept(3s));  // not yet: 4 s now
  ASSERT_TRUE(scripted.Accept(3s));
  EXPECT_EQ(scripted.Line(), "USER 3.0.0.10 " + asio::ip::host_name() + " 127.0.0.1 :[DT:Ann] Bob");
  EXPECT_EQ(scripted.Line(), "NICK Bob");
  scripted.Send(":irc.test 376 Bob :End of MOTD command");
  EXPECT_EQ(scripted.Line(), "JOIN #chan");
  scripted.Drop();
  EXPECT_TRUE(scripted.Accept(3s));  // after 2 s again
  // The client hears of the connection after the server does (on Windows, from another thread).
  env.loop.RunUntil([&] { return Chat().back().find("established") != std::string::npos; }, 3s);
  const std::string port = scripted.Port();
  std::vector<std::string> attempts;
  for (const auto& line : hooks->chat) {
    if (line.text.starts_with("OV>> * Conn")) attempts.push_back(line.text);
  }
  const std::string established =
      "OV>> * Connection to 127.0.0.1 established. Awaiting response to autojoin channels.";
  std::vector<std::string> expected{"OV>> * Connecting to 127.0.0.1 (" + port + ")", established};
  for (const char* retry : {"1", "2", "3"}) {
    expected.push_back("OV>> * Connection to 127.0.0.1 closed.");
    expected.push_back("OV>> * Connect retry #" + std::string(retry) + " 127.0.0.1 (" + port + ")");
    expected.push_back(established);
  }
  EXPECT_EQ(attempts, expected);
}

// The character's names on IRC, end to end: the page names the user and the server hears it.
TEST(IRCNamesTest, ApostrophesAndSpacesBecomeNickCharactersButTheRealNameKeepsThem) {
  EXPECT_EQ(IrcNick("O'Brien Smith"), "O^Brien_Smith");
  EXPECT_EQ(IrcNick("Mc'Fly 'the' Great"), "Mc^Fly_^the^_Great");
  EXPECT_EQ(ServerTag("darkTIDE"), "DT");
  EXPECT_EQ(ServerTag("Morningthaw"), "MT");
  EXPECT_EQ(ServerTag("Verdantine"), "VT");
  EXPECT_EQ(ServerTag("Dark tide"), "");

  for (const auto& [game_server, real_name] :
       {std::pair<std::string, std::string>{"Darktide", "[DT:Ann] O'Brien Smith"},
        {"Nowhere", "[:Ann] O'Brien Smith"}}) {
    auto profile = sim::SampleProfile();
    profile.name = "O'Brien Smith";
    profile.server = game_server;
    test::PluginHarness harness(profile);
    test::ScriptedIrcServer scripted(harness.env.loop);
    harness.env.WriteSettings(
        "<ostravel><irc><channel server=\"127.0.0.1\" port=\"" + scripted.Port() +
        "\" channel=\"#c\" command=\"c\" colorcode=\"1\" join=\"True\"/></irc></ostravel>");
    harness.PublishHost();
    harness.State().CharacterName = profile.name;
    harness.State().Monarch.Name = "Ann";
    TabIRC tab(harness.State());
    tab.TabIRCUpdateAllegiance();  // not logged in: nothing yet
    EXPECT_FALSE(scripted.Accept(100ms));
    harness.State().LoggedIn = true;
    tab.TabIRCUpdateAllegiance();
    ASSERT_TRUE(scripted.Accept());
    EXPECT_EQ(scripted.Line(),
              "USER 3.0.0.10 " + asio::ip::host_name() + " 127.0.0.1 :" + real_name);
    EXPECT_EQ(scripted.Line(), "NICK O^Brien_Smith");
  }
}

}  // namespace
}  // namespace ostravel

// The connection's life: when it opens, registration, keep-alive, the end of a connection and
// the reconnections that follow.
#include "irc/IRCServerFixture.h"
#include "support/PollUntil.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using test::FakeIRCServerTest;
using test::ScriptedIRCServerTest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(ScriptedIRCServerTest, NothingConnectsWithoutAWantedChannelOrWithoutNames) {
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

TEST_F(ScriptedIRCServerTest, ChannelsAreJoinedOnlyOnceTheGreetingIsOver) {
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

// A connection that ends without QUITs (a crash, a lost network) leaves nobody behind, and the
// line it cut off is not glued to the first line of the next connection.
TEST_F(ScriptedIRCServerTest, AnEndedConnectionLeavesNoUsersAndNoHalfLine) {
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
  Register();
  scripted.Send(":Bob!b@h JOIN :#chan");
  scripted.Send(":irc.test 353 Bob = #chan :Bob dave");
  LinesUntilSync();
  EXPECT_THAT(Users(), ElementsAre("Bob", "dave"));
  for (const auto& line : Chat()) EXPECT_EQ(line.find("cut sho"), std::string::npos) << line;
}

// A server that never finishes the greeting, or falls silent and does not answer a PING, is
// left and tried again; any line from it counts as an answer.
TEST_F(ScriptedIRCServerTest, ASilentServerIsPingedThenLeftAndTriedAgain) {
  server->timing = {.registration = 300ms, .keep_alive = 300ms, .ping_timeout = 300ms};
  // Waits for the client to say it leaves; then nothing else may have been sent. (Not a wait
  // for silence: the client tries again on its own clock, which a slow run does not stretch.)
  const auto leaves = [&](std::string_view saying) {
    EXPECT_TRUE(test::PollUntil(
        env.loop, [&] { return !Chat().empty() && Chat().back().starts_with(saying); }, 2s));
    EXPECT_EQ(scripted.Line(0ms), std::nullopt);
  };
  ConnectAndRegister(false);
  leaves("OV>> * 127.0.0.1 did not finish");  // the greeting does not end
  EXPECT_EQ(Chat().back(),
            "OV>> * 127.0.0.1 did not finish the greeting within 1 s; reconnecting in 2 s.");
  ASSERT_TRUE(scripted.Accept(3s));
  Register();
  EXPECT_EQ(scripted.Line(1s), "PING :127.0.0.1");
  scripted.Send(":irc.test PONG irc.test :127.0.0.1");
  EXPECT_EQ(scripted.Line(1s), "PING :127.0.0.1");  // answered: still there, asked again later
  leaves("OV>> * No answer from 127.0.0.1 for ");   // not answered: gone
  EXPECT_TRUE(scripted.Accept(3s));
}

TEST_F(ScriptedIRCServerTest, AServerThatNeverAnswersATlsHandshakeIsLeftToo) {
  server->timing.registration = 300ms;
  server->UseTls = true;
  server->Connect();
  ASSERT_TRUE(scripted.Accept());
  ASSERT_TRUE(env.loop.RunUntil([&] { return Chat().size() == 2; }, 2s));
  EXPECT_EQ(Chat().back(), "OV>> * 127.0.0.1 did not answer within 1 s; reconnecting in 2 s.");
  EXPECT_TRUE(scripted.Accept(3s));
}

// The player's lines that still wait for their turn when the connection ends are named, after
// the line that says it ended.
TEST_F(FakeIRCServerTest, LinesStillWaitingWhenTheConnectionEndsAreNamed) {
  Registered();
  for (int i = 1; i <= 7; ++i) server->ChatText("ac line " + std::to_string(i));
  server->ChatText("ac /me waves");
  const std::size_t written = network.TakeLines().size();
  ASSERT_LT(written, 8u);  // the queue's pace holds the rest back
  network.PeerCloses();
  std::vector<std::string> expected{"OV>> * Connection to 127.0.0.1 closed."};
  for (std::size_t i = written + 1; i <= 7; ++i) {
    expected.push_back("OV>> * Not sent to #chan (connection lost): line " + std::to_string(i));
  }
  expected.push_back("OV>> * Not sent to #chan (connection lost): /me waves");
  const auto shown = Chat();
  EXPECT_EQ(std::vector<std::string>(shown.end() - static_cast<std::ptrdiff_t>(expected.size()),
                                     shown.end()),
            expected);
}

// A server that floods PINGs and never reads our answers: once more than the limit waits to be
// written, the connection is given up with one line and tried again after the back-off.
TEST_F(ScriptedIRCServerTest, AServerThatNeverReadsIsLeftOnceTooMuchWaits) {
  scripted.ReceiveLittle();
  ConnectAndRegister();
  hooks->chat.clear();
  const std::string ping = "PING :" + std::string(400, 'x');
  scripted.Flood(ping, 40'000);  // 16 MB: more than the limit and the system's buffers
  const std::string given_up =
      "OV>> * 127.0.0.1 does not read what is sent to it: more than "
      "1024 KiB wait to be written; reconnecting in 2 s.";
  const auto shows = [&](const std::string& text) {
    const auto shown = Chat();
    return std::count(shown.begin(), shown.end(), text);
  };
  ASSERT_TRUE(env.loop.RunUntil([&] { return shows(given_up) > 0; }, 60s));
  EXPECT_TRUE(scripted.Accept(5s));
  EXPECT_EQ(shows(given_up), 1);
}

TEST_F(ScriptedIRCServerTest, TheServersLastWordsAreShownOnce) {
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

// The waits between automatic reconnections double while no registration completes, and start
// again from the shortest once one does.
TEST_F(ScriptedIRCServerTest, ReconnectionWaitsGrowAndAreResetByARegistration) {
  ConnectAndRegister(false);
  scripted.Drop();
  ASSERT_TRUE(env.loop.RunUntil(
      [&] {
        return !hooks->chat.empty() && hooks->chat.back().text.find("closed") != std::string::npos;
      },
      5s));
  ASSERT_TRUE(scripted.Accept(3s));  // after 2 s
  scripted.Drop();
  // Not yet: 4 s now. The client's clock is not stretched for a slow run, so neither is this
  // wait, unlike Accept's.
  env.loop.RunFor(3s);
  EXPECT_FALSE(scripted.Accept(0ms));
  ASSERT_TRUE(scripted.Accept(3s));
  Register();
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

}  // namespace
}  // namespace ostravel

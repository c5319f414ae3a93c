// The IRC client against ngircd as servers on the Internet run it: its default limits (flood
// penalties), channel keys and modes, a server password and TLS. What a scripted server can
// show as well (nick fallbacks, a connection that ends without QUITs) is tested against one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "irc/TabIRC.h"
#include "platform/TlsCheck.h"
#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/NgircdServer.h"
#include "support/PluginHarness.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// Runs the loop until a chat line of the plug-in contains `text`.
bool ChatShows(test::PluginHarness& harness, const std::string& text,
               std::chrono::milliseconds timeout = 5s) {
  return harness.env.loop.RunUntil(
      [&] {
        for (const auto& line : harness.ChatTexts()) {
          if (line.find(text) != std::string::npos) return true;
        }
        return false;
      },
      timeout);
}

// A player whose IRC page has the "channel" elements `channels` in its settings, logged in as
// `character`, beside the others of a test.
struct Player {
  Player(const std::string& channels, const std::string& character) {
    harness.env.WriteSettings("<ostravel><irc>" + channels + "</irc></ostravel>");
    harness.PublishHost();
    harness.State().LoggedIn = true;
    harness.State().CharacterName = character;
    harness.State().Monarch.Name = "Queen Ann";
    tab = std::make_unique<TabIRC>(harness.State());
    tab->TabIRCUpdateAllegiance();
  }

  test::PluginHarness harness;
  std::unique_ptr<TabIRC> tab;
};

// The element of one channel on 127.0.0.1; `extra` adds attributes.
std::string Channel(int port, const std::string& name = "#test", const std::string& command = "t",
                    const std::string& extra = "") {
  return "<channel server=\"127.0.0.1\" port=\"" + std::to_string(port) + "\" channel=\"" + name +
         "\" command=\"" + command + "\" colorcode=\"14\" join=\"True\"" +
         (extra.empty() ? "" : " " + extra) + "/>";
}

constexpr test::NgircdOptions kDefaultLimits{
    .motd = true, .permissive = false, .password = "", .tls = false};
constexpr test::NgircdOptions kPermissive{
    .motd = true, .permissive = true, .password = "", .tls = false};

class IRCServerLiveTest : public ::testing::Test {
 protected:
  // A server with ngircd's own limits, unless a test asks for more.
  void StartServer(const test::NgircdOptions& options = kDefaultLimits) {
    server = std::make_unique<test::NgircdServer>(options);
  }

  void StartPlugin(const std::string& channels, const std::string& character = "Ostra Vel") {
    player = std::make_unique<Player>(channels, character);
  }

  // The server is up, the peer is in #test (so its operator), and the plug-in joins it too.
  void JoinWithPeer(const test::NgircdOptions& options = kPermissive) {
    StartServer(options);
    peer = std::make_unique<test::IrcPeer>(server->Port(), "peer");
    peer->Send("JOIN #test");
    ASSERT_TRUE(peer->WaitFor("JOIN", pump));
    StartPlugin(Channel(server->Port()));
    ASSERT_TRUE(ChatShows("*** Now talking in #test. Type @t to chat."));
    ASSERT_TRUE(peer->WaitFor(":Ostra_Vel!", pump));
  }

  test::PluginHarness& Harness() { return player->harness; }
  TabIRC& Tab() { return *player->tab; }
  // The plug-in's loop, once there is a plug-in: run while a peer waits for a line.
  void Pump() {
    if (player) Harness().env.loop.RunFor(5ms);
  }
  const std::function<void()> pump = [this] { Pump(); };
  bool ChatShows(const std::string& text, std::chrono::milliseconds timeout = 5s) {
    return ostravel::ChatShows(Harness(), text, timeout);
  }

  std::vector<std::string> ListedNicks() {
    Harness().env.loop.RunFor(150ms);
    Harness().host.FireTimers(100);
    auto& list = Harness().Control<sim::SimList>("lstIRC");
    std::vector<std::string> nicks;
    for (std::int32_t row = 0; row < list.Count(); ++row) {
      nicks.push_back(host::ToText(list.Data(1, row, 0)));
    }
    return nicks;
  }

  std::string ChoiceText(std::int32_t index) {
    Harness().host.FireTimers(100);
    return Harness().Control<sim::SimChoice>("chIRC").Text(index);
  }

  std::unique_ptr<test::NgircdServer> server;
  std::unique_ptr<test::IrcPeer> peer;
  std::unique_ptr<Player> player;
};

TEST_F(IRCServerLiveTest, RegistersUnderTheCharactersNamesAndBridgesChatBothWays) {
  JoinWithPeer();
  EXPECT_THAT(ListedNicks(), ElementsAre("Ostra_Vel", "peer"));

  EXPECT_TRUE(Tab().ChatText("t hello there"));
  EXPECT_TRUE(peer->WaitFor("PRIVMSG #test :hello there", pump));
  EXPECT_TRUE(ChatShows("<Ostra_Vel> hello there"));
  peer->Send("PRIVMSG #test :hi from the peer");
  EXPECT_TRUE(ChatShows("OV>> <peer> hi from the peer"));

  // A line break in chat cannot smuggle a command.
  EXPECT_TRUE(Tab().ChatText("t one\r\nQUIT :gone"));
  EXPECT_TRUE(peer->WaitFor("PRIVMSG #test :oneQUIT :gone", pump));
}

TEST_F(IRCServerLiveTest, AKickTurnsTheChannelOffAndTheSettingsRememberIt) {
  JoinWithPeer();
  Harness().host.FireTimers(100);
  EXPECT_TRUE(Harness().Control<sim::SimCheckbox>("chkIRC").Checked());
  peer->Send("KICK #test Ostra_Vel :bye now");
  EXPECT_TRUE(ChatShows("*** You were kicked from #test by peer (bye now)"));
  EXPECT_THAT(ListedNicks(), ElementsAre());
  EXPECT_FALSE(Harness().Control<sim::SimCheckbox>("chkIRC").Checked());
  player->tab.reset();
  EXPECT_THAT(test::ReadFile(Harness().env.folder.Path() / "Ostravel.xml"),
              HasSubstr("join=\"False\""));
}

TEST_F(IRCServerLiveTest, JoinsAlsoWhenTheServerHasNoMessageOfTheDay) {
  JoinWithPeer({.motd = false, .permissive = true, .password = "", .tls = false});
}

// A channel key from the settings opens a +k channel; without it ngircd's refusal is shown, on
// the page and in chat.
TEST_F(IRCServerLiveTest, AChannelKeyOpensAKeyedChannelAndAMissingOneIsShownRefused) {
  StartServer();
  test::IrcPeer op(server->Port(), "op");
  for (const char* line :
       {"JOIN #locked", "MODE #locked +k secret", "JOIN #closed", "MODE #closed +nk other"}) {
    op.Send(line);
  }
  ASSERT_TRUE(op.WaitFor("MODE #closed +nk", pump));
  StartPlugin(Channel(server->Port(), "#locked", "l", "key=\"secret\"") +
              Channel(server->Port(), "#closed", "c"));
  const std::string refusal = "Cannot join channel (+k) -- Wrong channel key (475)";
  ASSERT_TRUE(ChatShows("*** Now talking in #locked."));
  ASSERT_TRUE(ChatShows("*** Cannot join #closed: " + refusal));
  EXPECT_EQ(ChoiceText(0), "#locked");
  EXPECT_EQ(ChoiceText(1), "#closed (" + refusal + ")");

  Tab().ChatText("l in here");
  EXPECT_TRUE(op.WaitFor("PRIVMSG #locked :in here", pump));
}

// Sixty people ask for the version at once. Three get an answer, and the player's next line
// still goes out at once instead of waiting behind the answers.
TEST_F(IRCServerLiveTest, ACtcpFloodGetsThreeRepliesAndDoesNotHoldUpThePlayer) {
  JoinWithPeer(kDefaultLimits);
  std::vector<std::unique_ptr<test::IrcPeer>> crowd;
  for (int i = 0; i < 60; ++i) {
    crowd.push_back(std::make_unique<test::IrcPeer>(server->Port(), "p" + std::to_string(i)));
    crowd.back()->Send("PRIVMSG #test :\001VERSION\001");
  }
  ASSERT_TRUE(peer->WaitFor(":p59!", pump));
  Pump();
  Tab().ChatText("t not held up");
  EXPECT_TRUE(peer->WaitFor("PRIVMSG #test :not held up", pump, 2s));
  int replies = 0;
  for (auto& asker : crowd) {
    if (asker->WaitFor("VERSION Ostravel", pump, 20ms)) ++replies;
  }
  EXPECT_GE(replies, 1);
  EXPECT_LE(replies, 3);
  const auto log = test::ReadCrLfLines(Harness().env.folder.Path() / "log.txt");
  ASSERT_EQ(log.size(), 1u);  // one line for the whole flood
  EXPECT_THAT(log[0], HasSubstr("come faster than 3 in 10 s"));
}

TEST_F(IRCServerLiveTest, AServerPasswordIsSentAndAWrongOneShownOnce) {
  StartServer({.motd = true, .permissive = false, .password = "letmein", .tls = false});
  StartPlugin(Channel(server->Port(), "#test", "t", "password=\"letmein\""));
  EXPECT_TRUE(ChatShows("*** Now talking in #test."));

  Player wrong(Channel(server->Port(), "#test", "t", "password=\"guess\""), "Other");
  ASSERT_TRUE(ostravel::ChatShows(wrong.harness, "* 127.0.0.1 ERROR: "));
  EXPECT_THAT(wrong.harness.ChatTexts(), Not(testing::Contains(HasSubstr("Now talking"))));
}

// TLS with a certificate the test made: accepted by its fingerprint (as a person would copy it,
// with colons), refused without one, and then not tried again and again.
TEST_F(IRCServerLiveTest, TlsConnectsByFingerprintAndRefusesAnUnknownCertificate) {
  StartServer({.motd = true, .permissive = false, .password = "", .tls = true});
  const std::string fingerprint = platform::DisplayFingerprint(server->Fingerprint());
  StartPlugin(Channel(server->TlsPort(), "#test", "t",
                      "tls=\"True\" tlsfingerprint=\"" + fingerprint + "\""));
  ASSERT_TRUE(ChatShows("*** Now talking in #test."));
  test::IrcPeer plain(server->Port(), "plain");
  plain.Send("JOIN #test");
  ASSERT_TRUE(plain.WaitFor("JOIN", pump));
  Tab().ChatText("t secret handshake");
  EXPECT_TRUE(plain.WaitFor("PRIVMSG #test :secret handshake", pump));

  Player unknown(Channel(server->TlsPort(), "#test", "t", "tls=\"True\""), "Other");
  ASSERT_TRUE(
      ostravel::ChatShows(unknown.harness, "TLS: the certificate of 127.0.0.1 is not trusted"));
  unknown.harness.env.loop.RunFor(2500ms);
  const auto lines = unknown.harness.ChatTexts();
  EXPECT_THAT(lines, Not(testing::Contains(HasSubstr("Connect retry"))));
  EXPECT_THAT(lines, testing::Contains(HasSubstr("add tlsfingerprint=\"" + fingerprint + "\"")));
}

}  // namespace
}  // namespace ostravel

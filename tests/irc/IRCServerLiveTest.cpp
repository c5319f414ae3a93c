// The IRC client against ngircd as servers on the Internet run it: its default limits (nicks
// of nine characters, flood penalties), channel keys and modes, a server password, TLS, and a
// server that dies without a word.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

class IRCServerLiveTest : public ::testing::Test {
 protected:
  // A server with ngircd's own limits, unless a test asks for more.
  void StartServer(test::NgircdOptions options = {
                       .motd = true, .permissive = false, .password = "", .tls = false}) {
    server = std::make_unique<test::NgircdServer>(options);
  }

  // The page, with `channels` as the "channel" elements of the settings (`%PORT%` replaced),
  // for a character of that name, logged in.
  void StartPlugin(const std::string& channels, const std::string& character = "Ostra Vel",
                   int port = 0) {
    std::string xml = channels;
    const std::string port_text = std::to_string(port ? port : server->Port());
    for (auto at = xml.find("%PORT%"); at != std::string::npos; at = xml.find("%PORT%"))
      xml.replace(at, 6, port_text);
    harness.env.WriteSettings("<ostravel><irc>" + xml + "</irc></ostravel>");
    harness.PublishHost();
    harness.State().LoggedIn = true;
    harness.State().CharacterName = character;
    harness.State().Monarch.Name = "Queen Ann";
    tab = std::make_unique<TabIRC>(harness.State());
    tab->TabIRCUpdateAllegiance();
  }

  void Pump() { harness.env.loop.RunFor(5ms); }

  bool ChatShows(const std::string& text, std::chrono::milliseconds timeout = 5s) {
    return harness.env.loop.RunUntil(
        [&] {
          for (const auto& line : harness.ChatTexts()) {
            if (line.find(text) != std::string::npos) return true;
          }
          return false;
        },
        timeout);
  }

  std::vector<std::string> ListedNicks() {
    harness.env.loop.RunFor(150ms);
    harness.host.FireTimers(100);
    auto list = std::dynamic_pointer_cast<sim::SimList>(harness.host.View()->Find("lstIRC"));
    std::vector<std::string> nicks;
    for (std::int32_t row = 0; row < list->Count(); ++row) {
      nicks.push_back(host::ToText(list->Data(1, row, 0)));
    }
    return nicks;
  }

  std::string ChoiceText(std::int32_t index) {
    harness.host.FireTimers(100);
    return std::dynamic_pointer_cast<sim::SimChoice>(harness.host.View()->Find("chIRC"))
        ->Text(index);
  }

  std::unique_ptr<test::NgircdServer> server;
  test::PluginHarness harness;
  std::unique_ptr<TabIRC> tab;
};

constexpr const char* kTestChannel =
    "<channel server=\"127.0.0.1\" port=\"%PORT%\" channel=\"#test\" command=\"t\" "
    "colorcode=\"14\" join=\"True\"/>";

// The name is refused as too long, cut to nine characters, found taken, and taken again
// with the first fallback: the third try fits and registers.
TEST_F(IRCServerLiveTest, ALongCharacterNameRegistersUnderAFittingFallback) {
  StartServer();
  test::IrcPeer first(server->Port(), "Ostravel_");
  test::IrcPeer second(server->Port(), "Ostrave-2");
  first.Send("JOIN #test");
  ASSERT_TRUE(first.WaitFor("JOIN", [this] { Pump(); }));
  StartPlugin(kTestChannel, "Ostravel Longname");
  // ngircd holds back a client's next command for a while after each refused nick.
  ASSERT_TRUE(ChatShows("*** Now talking in #test. Type @t to chat.", 20s))
      << testing::PrintToString(harness.ChatTexts());
  EXPECT_TRUE(first.WaitFor(":Ostrave-3!", [this] { Pump(); }));
  tab->ChatText("t made it");
  EXPECT_THAT(first.WaitFor("PRIVMSG #test :made it", [this] { Pump(); }),
              testing::Optional(testing::StartsWith(":Ostrave-3!")));
}

// A channel key from the settings opens a +k channel; without it the refusal is shown, on the
// page and in chat, and a line for that channel is not echoed as if it had gone out.
TEST_F(IRCServerLiveTest, KeyedChannelsAndRefusalsInsteadOfFalseEchoes) {
  StartServer();
  test::IrcPeer peer(server->Port(), "peer");
  for (const char* line :
       {"JOIN #locked", "MODE #locked +k secret", "JOIN #closed", "MODE #closed +nk other"}) {
    peer.Send(line);
  }
  ASSERT_TRUE(peer.WaitFor("MODE #closed +nk", [this] { Pump(); }));
  StartPlugin(
      "<channel server=\"127.0.0.1\" port=\"%PORT%\" channel=\"#locked\" command=\"l\" "
      "colorcode=\"14\" join=\"True\" key=\"secret\"/>"
      "<channel server=\"127.0.0.1\" port=\"%PORT%\" channel=\"#closed\" command=\"c\" "
      "colorcode=\"3\" join=\"True\"/>");
  ASSERT_TRUE(ChatShows("*** Now talking in #locked."));
  ASSERT_TRUE(
      ChatShows("*** Cannot join #closed: Cannot join channel (+k) -- Wrong channel key "
                "(475)"));
  EXPECT_EQ(ChoiceText(1), "#closed (Cannot join channel (+k) -- Wrong channel key (475))");
  EXPECT_EQ(ChoiceText(0), "#locked");

  tab->ChatText("c are you there");
  EXPECT_TRUE(
      ChatShows("* Not in #closed: Cannot join channel (+k) -- Wrong channel key (475). "
                "Your line was not sent."));
  tab->ChatText("l in here");
  EXPECT_TRUE(peer.WaitFor("PRIVMSG #locked :in here", [this] { Pump(); }));
  for (const auto& line : peer.Lines()) EXPECT_THAT(line, Not(HasSubstr("are you there")));
  for (const auto& line : harness.ChatTexts()) EXPECT_THAT(line, Not(HasSubstr("<Ostra_Vel> are")));
}

// Sixty people ask for the version at once. Three get an answer, and the player's next line
// still goes out at once instead of waiting behind the answers.
TEST_F(IRCServerLiveTest, ACtcpFloodGetsThreeRepliesAndDoesNotHoldUpThePlayer) {
  StartServer();
  test::IrcPeer watcher(server->Port(), "watcher");
  watcher.Send("JOIN #test");
  ASSERT_TRUE(watcher.WaitFor("JOIN", [this] { Pump(); }));
  StartPlugin(kTestChannel);
  ASSERT_TRUE(ChatShows("*** Now talking in #test."));
  std::vector<std::unique_ptr<test::IrcPeer>> crowd;
  for (int i = 0; i < 60; ++i) {
    crowd.push_back(std::make_unique<test::IrcPeer>(server->Port(), "p" + std::to_string(i)));
    crowd.back()->Send("PRIVMSG #test :\x01VERSION\x01");
  }
  ASSERT_TRUE(watcher.WaitFor(":p59!", [this] { Pump(); }));
  Pump();
  tab->ChatText("t not held up");
  EXPECT_TRUE(watcher.WaitFor(
      "PRIVMSG #test :not held up", [this] { Pump(); }, 2s));
  int replies = 0;
  for (auto& peer : crowd) {
    if (peer->WaitFor(
            "VERSION Ostravel", [this] { Pump(); }, 20ms))
      ++replies;
  }
  EXPECT_GE(replies, 1);
  EXPECT_LE(replies, 3);
}

// The server dies without QUITs; after it comes back, the list holds only who is really there.
TEST_F(IRCServerLiveTest, AfterACrashTheUserListHoldsOnlyWhoIsReallyThere) {
  StartServer({.motd = true, .permissive = true, .password = "", .tls = false});
  {
    test::IrcPeer gone(server->Port(), "gone");
    gone.Send("JOIN #test");
    ASSERT_TRUE(gone.WaitFor("JOIN", [this] { Pump(); }));
    StartPlugin(kTestChannel);
    ASSERT_TRUE(ChatShows("*** Now talking in #test."));
    EXPECT_THAT(ListedNicks(), ElementsAre("gone", "Ostra_Vel"));
    server->Kill();
  }
  ASSERT_TRUE(ChatShows("* Connection to 127.0.0.1 closed."));
  EXPECT_THAT(ListedNicks(), ElementsAre());
  EXPECT_EQ(ChoiceText(0), "#test (not joined)");
  server->Start();
  test::IrcPeer fresh(server->Port(), "fresh");
  fresh.Send("JOIN #test");
  ASSERT_TRUE(fresh.WaitFor("JOIN", [this] { Pump(); }));
  ASSERT_TRUE(fresh.WaitFor(
      ":Ostra_Vel!", [this] { Pump(); }, 10s));
  EXPECT_THAT(ListedNicks(), ElementsAre("fresh", "Ostra_Vel"));
  EXPECT_EQ(ChoiceText(0), "#test");
}

TEST_F(IRCServerLiveTest, AServerPasswordIsSentAndAWrongOneShownOnce) {
  StartServer({.motd = true, .permissive = false, .password = "letmein", .tls = false});
  StartPlugin(
      "<channel server=\"127.0.0.1\" port=\"%PORT%\" channel=\"#test\" command=\"t\" "
      "colorcode=\"14\" join=\"True\" password=\"letmein\"/>");
  EXPECT_TRUE(ChatShows("*** Now talking in #test."));

  test::PluginHarness wrong;
  wrong.env.WriteSettings(
      "<ostravel><irc><channel server=\"127.0.0.1\" port=\"" + std::to_string(server->Port()) +
      "\" channel=\"#test\" command=\"t\" colorcode=\"14\" join=\"True\" password=\"guess\"/>"
      "</irc></ostravel>");
  wrong.PublishHost();
  wrong.State().LoggedIn = true;
  wrong.State().CharacterName = "Other";
  TabIRC other(wrong.State());
  other.TabIRCUpdateAllegiance();
  ASSERT_TRUE(wrong.env.loop.RunUntil(
      [&] {
        for (const auto& line : wrong.ChatTexts()) {
          if (line.find("* 127.0.0.1 ERROR: ") != std::string::npos) return true;
        }
        return false;
      },
      5s));
  EXPECT_THAT(wrong.ChatTexts(), Not(testing::Contains(HasSubstr("Now talking"))));
}

// TLS with a certificate the test made: accepted by its fingerprint (as a person would copy it,
// with colons), refused without one, and then not tried again and again.
TEST_F(IRCServerLiveTest, TlsConnectsByFingerprintAndRefusesAnUnknownCertificate) {
  StartServer({.motd = true, .permissive = false, .password = "", .tls = true});
  StartPlugin(
      "<channel server=\"127.0.0.1\" port=\"%PORT%\" channel=\"#test\" command=\"t\" "
      "colorcode=\"14\" join=\"True\" tls=\"True\" tlsfingerprint=\"" +
          platform::DisplayFingerprint(server->Fingerprint()) + "\"/>",
      "Ostra Vel", server->TlsPort());
  ASSERT_TRUE(ChatShows("*** Now talking in #test."));
  test::IrcPeer peer(server->Port(), "peer");
  peer.Send("JOIN #test");
  ASSERT_TRUE(peer.WaitFor("JOIN", [this] { Pump(); }));
  tab->ChatText("t secret handshake");
  EXPECT_TRUE(peer.WaitFor("PRIVMSG #test :secret handshake", [this] { Pump(); }));

  test::PluginHarness unknown;
  unknown.env.WriteSettings(
      "<ostravel><irc><channel server=\"127.0.0.1\" port=\"" + std::to_string(server->TlsPort()) +
      "\" channel=\"#test\" command=\"t\" colorcode=\"14\" join=\"True\" tls=\"True\"/>"
      "</irc></ostravel>");
  unknown.PublishHost();
  unknown.State().LoggedIn = true;
  unknown.State().CharacterName = "Other";
  TabIRC refused(unknown.State());
  refused.TabIRCUpdateAllegiance();
  const std::string expected = "TLS: the certificate of 127.0.0.1 is not trusted";
  ASSERT_TRUE(unknown.env.loop.RunUntil(
      [&] {
        for (const auto& line : unknown.ChatTexts()) {
          if (line.find(expected) != std::string::npos) return true;
        }
        return false;
      },
      5s));
  unknown.env.loop.RunFor(2500ms);
  const auto lines = unknown.ChatTexts();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) {
                            return line.find("Connect retry") != std::string::npos;
                          }),
            0);
  EXPECT_THAT(lines, testing::Contains(
                         HasSubstr("add tlsfingerprint=\"" +
                                   platform::DisplayFingerprint(server->Fingerprint()) + "\"")));
}

}  // namespace
}  // namespace ostravel

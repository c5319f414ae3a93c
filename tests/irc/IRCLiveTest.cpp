// The IRC client against a real IRC server on 127.0.0.1, with a second client of the test's
// own in the same channel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "irc/TabIRC.h"
#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/NgircdServer.h"
#include "support/PluginHarness.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::int32_t kChannelColor = 14;

class IRCLiveTest : public ::testing::Test {
 protected:
  explicit IRCLiveTest(bool motd = true)
      : server({.motd = motd, .permissive = true, .password = ""}) {
    harness.env.WriteSettings(
        "<ostravel><irc><channel server=\"127.0.0.1\" port=\"" + std::to_string(server.Port()) +
        "\" channel=\"#test\" command=\"t\" colorcode=\"14\" join=\"True\"/></irc></ostravel>");
    harness.PublishHost();
    harness.State().LoggedIn = true;
    harness.State().CharacterName = "Ostra Vel";
    harness.State().Monarch.Name = "Queen Ann";
    tab = std::make_unique<TabIRC>(harness.State());
  }

  void Pump() { harness.env.loop.RunFor(std::chrono::milliseconds(5)); }

  // Runs the loop until a chat line contains `text`.
  bool ChatShows(const std::string& text,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    return harness.env.loop.RunUntil(
        [&] {
          for (const auto& effect : harness.effects) {
            if (effect.kind == sim::Effect::Kind::kChat &&
                effect.text.find(text) != std::string::npos) {
              return true;
            }
          }
          return false;
        },
        timeout);
  }

  std::int32_t ChatColor(const std::string& text) const {
    for (const auto& effect : harness.effects) {
      if (effect.text.find(text) != std::string::npos) return effect.color;
    }
    return -1;
  }

  // Connects, and the peer (already in the channel, so its operator) sees the plug-in join.
  void JoinChannel() {
    peer.Send("JOIN #test");
    ASSERT_TRUE(peer.WaitFor("JOIN", [this] { Pump(); }));
    tab->TabIRCUpdateAllegiance();
    ASSERT_TRUE(ChatShows("*** Now talking in #test. Type @t to chat."));
    ASSERT_TRUE(peer.WaitFor(":Ostra_Vel!", [this] { Pump(); }));
  }

  std::vector<std::string> ListedNicks() {
    harness.env.loop.RunFor(std::chrono::milliseconds(150));
    harness.host.FireTimers(100);
    auto list = std::dynamic_pointer_cast<sim::SimList>(harness.host.View()->Find("lstIRC"));
    std::vector<std::string> nicks;
    for (std::int32_t row = 0; row < list->Count(); ++row) {
      nicks.push_back(host::ToText(list->Data(1, row, 0)));
    }
    return nicks;
  }

  std::shared_ptr<sim::SimCheckbox> OnBox() {
    return std::dynamic_pointer_cast<sim::SimCheckbox>(harness.host.View()->Find("chkIRC"));
  }

  test::NgircdServer server;
  test::PluginHarness harness;
  test::IrcPeer peer{server.Port(), "peer"};
  std::unique_ptr<TabIRC> tab;
};

TEST_F(IRCLiveTest, RegistersUnderTheCharactersNamesAndJoinsTheWantedChannel) {
  JoinChannel();
  EXPECT_EQ(ChatColor("*** Now talking in #test"), kChannelColor);
  peer.Send("WHOIS Ostra_Vel");
  const auto whois = peer.WaitFor(" 311 ", [this] { Pump(); });
  ASSERT_TRUE(whois);
  EXPECT_THAT(*whois, HasSubstr(":[DT:Queen Ann] Ostra Vel"));
  EXPECT_THAT(ListedNicks(), ElementsAre("Ostra_Vel", "peer"));
}

TEST_F(IRCLiveTest, BridgesChatBothWays) {
  JoinChannel();
  EXPECT_TRUE(tab->ChatText("t hello there"));
  EXPECT_TRUE(peer.WaitFor("PRIVMSG #test :hello there", [this] { Pump(); }));
  EXPECT_TRUE(ChatShows("<Ostra_Vel> hello there"));

  peer.Send("PRIVMSG #test :hi from the peer");
  EXPECT_TRUE(ChatShows("OV>> <peer> hi from the peer"));
  EXPECT_EQ(ChatColor("<peer> hi from the peer"), kChannelColor);
  peer.Send(
      "PRIVMSG #test :\x01"
      "ACTION waves\x01");
  EXPECT_TRUE(ChatShows("* peer waves"));

  // A line break in chat cannot smuggle a command.
  EXPECT_TRUE(tab->ChatText("t one\r\nQUIT :gone"));
  EXPECT_TRUE(peer.WaitFor("PRIVMSG #test :oneQUIT :gone", [this] { Pump(); }));
  tab->ChatText("t still here");
  EXPECT_TRUE(peer.WaitFor("PRIVMSG #test :still here", [this] { Pump(); }));
}

TEST_F(IRCLiveTest, AKickTurnsTheChannelOffAndTheSettingsRememberIt) {
  JoinChannel();
  harness.host.FireTimers(100);
  EXPECT_TRUE(OnBox()->Checked());
  peer.Send("KICK #test Ostra_Vel :bye now");
  EXPECT_TRUE(ChatShows("*** You were kicked from #test by peer (bye now)"));
  EXPECT_THAT(ListedNicks(), ElementsAre());
  EXPECT_FALSE(OnBox()->Checked());
  tab.reset();
  EXPECT_THAT(test::ReadFile(harness.env.folder.Path() / "Ostravel.xml"),
              HasSubstr("join=\"False\""));
}

class IRCLiveNoMotdTest : public IRCLiveTest {
 protected:
  IRCLiveNoMotdTest() : IRCLiveTest(false) {}
};

TEST_F(IRCLiveNoMotdTest, JoinsAlsoWhenTheServerHasNoMessageOfTheDay) {
  JoinChannel();
}

}  // namespace
}  // namespace ostravel

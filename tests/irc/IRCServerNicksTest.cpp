// The nick policy: refusals of a nick in use or too long, and the names the character gives.
#include "irc/IRCServerFixture.h"
#include "irc/TabIRC.h"
#include "support/PluginHarness.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using test::FakeIRCServerTest;
using test::ScriptedIRCServerTest;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(ScriptedIRCServerTest, ANickInUseTakesANumberAndGivesUpAfterTenTries) {
  ConnectAndRegister(false);
  std::vector<std::string> renames;
  for (int refusal = 0; refusal < 10; ++refusal) {
    scripted.Send(":irc.test 433 * " + server->NickName + " :Nickname already in use");
    renames.push_back(scripted.Line().value_or("(nothing)"));
  }
  EXPECT_THAT(renames,
              ElementsAre("NICK Bob-2", "NICK Bob-3", "NICK Bob-4", "NICK Bob-5", "NICK Bob-6",
                          "NICK Bob-7", "NICK Bob-8", "NICK Bob-9", "NICK Bob-10", "NICK Bob-11"));
  scripted.Send(":irc.test 433 * Bob-11 :Nickname already in use");
  EXPECT_EQ(scripted.Line(500ms), std::nullopt);  // closed, nothing more sent
  EXPECT_EQ(Chat().back(),
            "OV>> * The nick Bob and 10 others are taken on 127.0.0.1; not connected; tick "
            "\"On\" for a channel on the IRC page to try again.");
  EXPECT_FALSE(scripted.Accept(2500ms));  // and no automatic retry
}

// RFC 2812 section 2.3: a server ignores a line whose prefix it cannot find, and before the
// registration the old nick is registered nowhere, so the fallback must go out bare.
TEST_F(ScriptedIRCServerTest, AFallbackNickReachesAServerThatIgnoresPrefixedLines) {
  scripted.IgnorePrefixedLines(true);
  ConnectAndRegister(false);
  scripted.Send(":irc.test 433 * Bob :Nickname already in use");
  EXPECT_EQ(scripted.Line(), "NICK Bob-2");
  scripted.Send(":irc.test 001 Bob-2 :Welcome");
  scripted.Send(":irc.test 376 Bob-2 :End of MOTD command");
  EXPECT_EQ(scripted.Line(), "JOIN #chan");
  EXPECT_EQ(server->NickName, "Bob-2");
}

// The first NICK goes out before the server has told its limits. A refusal of a long nick cuts
// it to nine characters, and fallbacks then replace the tail instead of growing past it.
TEST_F(ScriptedIRCServerTest, ATooLongNickIsCutAndFallbacksKeepToTheLimit) {
  server->NickName = "Ostra_Vel_Long";
  server->Connect();
  ASSERT_TRUE(scripted.Accept());
  scripted.Line();
  EXPECT_EQ(scripted.Line(), "NICK Ostra_Vel_Long");
  scripted.Send(":irc.test 432 * Ostra_Vel_Long :Erroneous nickname");
  EXPECT_EQ(scripted.Line(), "NICK Ostra_Vel");
  scripted.Send(":irc.test 433 * Ostra_Vel :Nickname already in use");
  EXPECT_EQ(scripted.Line(), "NICK Ostra_V-2");
  scripted.Send(":irc.test 433 * Ostra_V-2 :Nickname already in use");
  EXPECT_EQ(scripted.Line(), "NICK Ostra_V-3");
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

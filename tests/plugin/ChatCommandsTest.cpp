#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "plugin/ChatCommands.h"
#include "support/PluginHarness.h"
#include "support/RecordingServer.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;

// The standard fields of the sample character, as the server receives them.
constexpr const char* kStandardFields =
    "CID=1342177295&MID=0&Location=2103705619&Localtime=12%2F6%2F2026+6%3A37%3A19+AM&FLID=0"
    "&WantFellowship=0";

class ChatCommandsTest : public ::testing::Test {
 protected:
  ChatCommandsTest() {
    harness.env.WriteSettings("<settings><server url=\"" + server.Url() + "\"/></settings>");
    harness.Initialize();
    harness.host.CompleteLogin();
    harness.env.Settle();
    harness.effects.clear();
    baseline = server.RequestCount();
  }

  // Types a line and waits for the answers; returns whether it was eaten.
  bool Type(const std::string& line) {
    const bool eaten = harness.host.TypeLine(line);
    harness.env.Settle();
    return eaten;
  }

  // The requests sent since the test began, as "path body".
  std::vector<std::string> Sent() const {
    std::vector<std::string> sent;
    const auto all = server.Requests();
    for (std::size_t i = baseline; i < all.size(); ++i)
      sent.push_back(all[i].path + " " + all[i].body);
    return sent;
  }

  std::vector<std::string> GameLines() const {
    std::vector<std::string> lines;
    for (const auto& effect : harness.effects) {
      if (effect.kind == sim::Effect::Kind::kGame) lines.push_back(effect.text);
    }
    return lines;
  }

  test::RecordingServer server;
  test::PluginHarness harness;
  std::size_t baseline = 0;
};

TEST_F(ChatCommandsTest, HelpInAnyLetterCasePrintsTheCommandList) {
  EXPECT_TRUE(Type("@OSTRAVEL"));
  EXPECT_TRUE(Type("/help ostravel"));
  const auto chat = harness.ChatTexts();
  ASSERT_EQ(chat.size(), 16u);
  EXPECT_THAT(std::vector<std::string>(chat.begin(), chat.begin() + 8),
              ElementsAre("OV>> \nOstravel 3.0.0.10. Avaliable commands:",
                          "OV>>   @ostravel - print this help information.",
                          "OV>>   @member or @mbr - set or retrieve member information.",
                          "OV>>   @message or @msg - send or retrieve offline messages.",
                          "OV>>   @event or @quest - add or retrieve avaliable quests and events.",
                          "OV>>   @landblock or @lb - set or get description of your current "
                          "landblock.",
                          "OV>>   @guid - prints guid for current selection and copys it to "
                          "clipboard.",
                          "OV>> To get additional information about a command, type the command "
                          "without any arguments."));
  EXPECT_THAT(Sent(), IsEmpty());
}

TEST_F(ChatCommandsTest, HelpWordWithMoreTextIsNoHelpAndGoesOn) {
  EXPECT_FALSE(Type("@ostravel please"));
  EXPECT_THAT(harness.ChatTexts(), IsEmpty());
  EXPECT_THAT(GameLines(), ElementsAre("@ostravel please"));
}

TEST_F(ChatCommandsTest, MemberCommandPostsTheArgumentsAsTypedAndPrintsTheAnswer) {
  server.Answer("/member.php", "Name: Bob  Level: 80");
  EXPECT_TRUE(Type("@Member Whois Bob"));
  EXPECT_THAT(Sent(),
              ElementsAre(std::string("/member.php ") + kStandardFields + "&args=Whois+Bob"));
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> Name: Bob  Level: 80"));
  EXPECT_THAT(GameLines(), IsEmpty());
}

TEST_F(ChatCommandsTest, EachCommandWordReachesItsScript) {
  for (const char* line : {"@mbr x", "@message x", "@msg x", "@event x", "@quest x", "@landblock x",
                           "@lb x", "/member x"}) {
    EXPECT_TRUE(Type(line)) << line;
  }
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 8u);
  const char* scripts[] = {"/member.php ", "/message.php ",   "/message.php ",   "/event.php ",
                           "/event.php ",  "/landblock.php ", "/landblock.php ", "/member.php "};
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_TRUE(sent[i].starts_with(scripts[i])) << sent[i];
    EXPECT_THAT(sent[i], EndsWith("&args=x"));
  }
}

TEST_F(ChatCommandsTest, TheBareWordAsksForTheServersHelp) {
  EXPECT_TRUE(Type("/mbr"));
  EXPECT_TRUE(Type("@EVENT"));
  EXPECT_THAT(Sent(), ElementsAre(std::string("/member.php ") + kStandardFields + "&args=",
                                  std::string("/event.php ") + kStandardFields + "&args="));
}

TEST_F(ChatCommandsTest, ASecondSpaceStaysInTheArgument) {
  EXPECT_TRUE(Type("@msg  read 5"));
  EXPECT_THAT(Sent(), ElementsAre(EndsWith("&args=+read+5")));
}

TEST_F(ChatCommandsTest, AnAmpersandTypedByThePlayerStaysInTheArgument) {
  EXPECT_TRUE(Type("@msg send Bob fish & chips=good"));
  EXPECT_THAT(Sent(), ElementsAre(EndsWith("&args=send+Bob+fish+%26+chips=good")));
}

TEST_F(ChatCommandsTest, EventAnswersArePrinted) {
  server.Answer("/event.php", "Event added.");
  EXPECT_TRUE(Type("@event add Raid"));
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> Event added."));
}

TEST_F(ChatCommandsTest, WordsThatOnlyBeginLikeACommandGoOnToTheGame) {
  EXPECT_FALSE(Type("@members"));
  EXPECT_FALSE(Type("/lbs"));
  EXPECT_FALSE(Type("/"));
  EXPECT_FALSE(Type("hello @mbr"));
  EXPECT_THAT(Sent(), IsEmpty());
  EXPECT_THAT(GameLines(), ElementsAre("@members", "/lbs", "/", "hello @mbr"));
}

TEST_F(ChatCommandsTest, MemberUpdateRunsTheCharacterUpdateAndPrintsItsAnswer) {
  server.Answer("/update.php", "Info: Saved");
  EXPECT_TRUE(Type("@member update"));
  EXPECT_TRUE(Type("/mbr updates"));
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_TRUE(sent[0].starts_with("/update.php CID=1342177295&")) << sent[0];
  EXPECT_TRUE(sent[1].starts_with("/update.php CID=1342177295&")) << sent[1];
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> Info: Saved", "OV>> Info: Saved"));
  EXPECT_THAT(GameLines(), IsEmpty());
}

TEST_F(ChatCommandsTest, GuidWithNothingSelectedIsEatenSilently) {
  EXPECT_TRUE(Type("@guid"));
  EXPECT_THAT(harness.effects, IsEmpty());
}

TEST_F(ChatCommandsTest, GuidOfTheCharacterItselfNamesItsMonarch) {
  harness.State().Monarch.Name = "Queen Ann";
  harness.State().Monarch.GUID = 1342177281;
  harness.host.Select(1342177295);
  EXPECT_TRUE(Type("/GUID"));
  ASSERT_EQ(harness.effects.size(), 2u);
  EXPECT_EQ(harness.effects[0].kind, sim::Effect::Kind::kClipboard);
  EXPECT_EQ(harness.effects[0].text, "1342177295");
  EXPECT_THAT(harness.ChatTexts(),
              ElementsAre("OV>> [ Name: Ostra Vel ] [ GUID: 1342177295 ] [ MonarchName: Queen Ann "
                          "] [ MonarchID: 1342177281 ]"));
}

TEST_F(ChatCommandsTest, GuidOfAnotherObjectIsCopiedUnsigned) {
  harness.host.Select(static_cast<std::int32_t>(0x80000A21u));
  EXPECT_TRUE(Type("@guid"));
  EXPECT_EQ(harness.effects[0].text, "2147486241");
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> [ Name: Town Crier ]  [ GUID: -2147481055 ]"));

  harness.effects.clear();
  harness.host.Select(77);  // the world does not know it
  EXPECT_TRUE(Type("@guid"));
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> [ Name:  ]  [ GUID: 77 ]"));
}

TEST_F(ChatCommandsTest, XpReportPrintsBothSourcesAndTheGameSeesTheLineToo) {
  harness.State().Patron.XP = 1.5e15;
  harness.State().Monarch.XP = 4096;
  EXPECT_FALSE(Type("@xpreport"));
  const auto& profile = harness.host.Profile();
  EXPECT_THAT(harness.ChatTexts(),
              ElementsAre("OV>> [echo]PatronXP: 1.5E+15",
                          "OV>> [Cstats]PatronXP: " + std::to_string(profile.patron->xp),
                          "OV>> [Cstats]myAllegXP: " + std::to_string(profile.self->xp), "OV>> *",
                          "OV>> [echo]MonarchXP: 4096",
                          "OV>> [Cstats]MonarchXP: " + std::to_string(profile.monarch->xp),
                          "OV>> [Cstats]myAllegXP: " + std::to_string(profile.self->xp)));
  EXPECT_THAT(GameLines(), ElementsAre("@xpreport"));
}

TEST_F(ChatCommandsTest, XpReportWithoutAllegianceReportsTheErrorAndLeaves) {
  auto profile = sim::SampleProfile();
  profile.patron.reset();
  test::PluginHarness alone(profile);
  alone.env.WriteSettings("<ostravel/>");
  alone.Initialize();
  EXPECT_FALSE(alone.host.TypeLine("/xpreport"));
  const auto chat = alone.ChatTexts();
  ASSERT_EQ(chat.size(), 2u);
  EXPECT_EQ(chat[0], "OV>> [echo]PatronXP: 0");
  EXPECT_TRUE(chat[1].starts_with("OV>> Error in OstravelMain.ACHooks_ChatParserIntercept."));
}

TEST(LoginTest, LoginRecordsTheCharacterAsksForTheMessageOfTheDayAndPrintsTheStartUpLine) {
  test::RecordingServer server;
  server.Answer("/message.php", "Welcome to the allegiance!");
  test::PluginHarness harness;
  harness.env.WriteSettings("<settings><server url=\"" + server.Url() + "\"/></settings>");
  harness.Initialize();
  harness.host.CompleteLogin();
  const Context& state = harness.State();
  EXPECT_TRUE(state.LoggedIn);
  EXPECT_EQ(state.CharacterID, 1342177295);
  EXPECT_EQ(state.CharacterName, "Ostra Vel");
  EXPECT_EQ(state.UpdateTicks, 29);
  ASSERT_TRUE(harness.env.Settle());

  EXPECT_THAT(harness.ChatTexts(),
              ElementsAre("OV>> Ostravel 3.0.0.10 initialized - Server Population: 1234",
                          "OV>> Welcome to the allegiance!"));
  const auto sent = server.Requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].path, "/message.php");
  EXPECT_EQ(sent[0].body, std::string(kStandardFields) + "&args=motd");
}

TEST(LoginTest, WithoutSettingsTheLoginStillCompletes) {
  test::PluginHarness harness;
  harness.Initialize();
  harness.host.CompleteLogin();
  EXPECT_TRUE(harness.State().LoggedIn);
  const auto chat = harness.ChatTexts();
  EXPECT_THAT(chat,
              testing::Contains(testing::StartsWith("OV>> Error in CharPostStrings.ServerURL.")));
  EXPECT_EQ(chat.back(), "OV>> Ostravel 3.0.0.10 initialized - Server Population: 1234");
}

TEST(LoginTest, AnEmptyMessageOfTheDayPrintsNothing) {
  test::RecordingServer server;
  test::PluginHarness harness;
  harness.env.WriteSettings("<settings><server url=\"" + server.Url() + "\"/></settings>");
  harness.Initialize();
  harness.host.CompleteLogin();
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_THAT(harness.ChatTexts(),
              ElementsAre("OV>> Ostravel 3.0.0.10 initialized - Server Population: 1234"));
}

}  // namespace
}  // namespace ostravel

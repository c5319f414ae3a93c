#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/ChatSafeText.h"
#include "plugin/ChatCommands.h"
#include "tabs/TabWorld.h"

namespace ostravel {
namespace {

using test::Request;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

// A logged-in plug-in whose web service is a recording server on 127.0.0.1.
class ChatCommandsTest : public ::testing::Test {
 protected:
  bool Type(const std::string& line) {
    const bool eaten = harness.host.TypeLine(line);
    world.Settle();
    return eaten;
  }
  std::vector<std::string> GameLines() const { return world.Effects(sim::Effect::Kind::kGame); }

  test::TabWorld world;
  test::PluginHarness& harness = world.harness;
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
  EXPECT_THAT(world.Sent(), IsEmpty());
}

TEST_F(ChatCommandsTest, EachCommandWordReachesItsScriptWithTheArgumentsAsTyped) {
  const char* const cases[][3] = {
      {"@Member Whois Bob", "member.php", "Whois Bob"},
      {"@mbr x", "member.php", "x"},
      {"@message x", "message.php", "x"},
      {"@msg x", "message.php", "x"},
      {"@event x", "event.php", "x"},
      {"@quest x", "event.php", "x"},
      {"@landblock x", "landblock.php", "x"},
      {"@lb x", "landblock.php", "x"},
      {"/member x", "member.php", "x"},
      {"/mbr", "member.php", ""},
      {"@EVENT", "event.php", ""},
      {"@msg  read 5", "message.php", " read 5"},
      {"@msg send Bob fish & chips=good", "message.php", "send Bob fish %26 chips=good"}};
  for (const auto& [line, script, args] : cases) {
    world.Forget();
    EXPECT_TRUE(Type(line)) << line;
    EXPECT_THAT(world.Sent(), ElementsAre(Request(script, args)));
  }
}

TEST_F(ChatCommandsTest, WordsThatOnlyBeginLikeACommandGoOnToTheGame) {
  for (const char* line : {"@members", "/lbs", "/", "hello @mbr"}) EXPECT_FALSE(Type(line));
  EXPECT_THAT(world.Sent(), IsEmpty());
  EXPECT_THAT(GameLines(), ElementsAre("@members", "/lbs", "/", "hello @mbr"));
}

TEST_F(ChatCommandsTest, MemberUpdateRunsTheCharacterUpdateAndPrintsItsAnswer) {
  world.server.Answer("/update.php", "Info: Saved");
  EXPECT_TRUE(Type("@member update"));
  EXPECT_TRUE(Type("/mbr updates"));
  EXPECT_THAT(world.Sent(), ElementsAre(StartsWith("update.php CID=1342177295&"),
                                        StartsWith("update.php CID=1342177295&")));
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> Info: Saved", "OV>> Info: Saved"));
  EXPECT_THAT(GameLines(), IsEmpty());
}

TEST_F(ChatCommandsTest, GuidIsSilentWithoutSelectionAndNamesTheMonarchOrCopiesUnsigned) {
  EXPECT_TRUE(Type("@guid"));
  EXPECT_THAT(harness.effects, IsEmpty());
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
  harness.effects.clear();
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

TEST_F(ChatCommandsTest, ACommandTypedBeforeTheLastIsAnsweredSaysItWasNotSent) {
  world.server.Delay(std::chrono::milliseconds(200));
  const std::string busy =
      "OV>> Still waiting for the last answer from the allegiance service; try again in a "
      "moment.";
  EXPECT_TRUE(harness.host.TypeLine("@mbr list online"));
  EXPECT_TRUE(harness.host.TypeLine("@msg inbox"));
  EXPECT_THAT(harness.ChatTexts(), ElementsAre(busy));
  // The character update has a request object of its own.
  EXPECT_TRUE(harness.host.TypeLine("@mbr update"));
  EXPECT_TRUE(harness.host.TypeLine("@member update"));
  EXPECT_THAT(harness.ChatTexts(), ElementsAre(busy, busy));
  ASSERT_TRUE(harness.env.Settle());
  // Two requests in flight at once reach the server in either order.
  EXPECT_THAT(world.Sent(),
              UnorderedElementsAre(StartsWith("member.php "), StartsWith("update.php ")));
}

// An answer reaches chat without the control characters it brought, and cut where it is too
// long for one chat line or one chat text.
TEST_F(ChatCommandsTest, AnAnswerIsPrintedWithoutControlCharactersAndCutWhenTooLong) {
  using namespace std::string_literals;
  const std::string mark(kChatCutMark);
  std::string lines;  // 64 bytes each: as many as one chat text holds fill it exactly
  for (std::size_t i = 0; i < kMaxChatTextBytes / 64; ++i) lines += std::string(63, 'x') + "\n";
  const struct {
    test::AsioHttpServer::Reply reply;
    std::string chat;
  } cases[] = {
      {test::AsioHttpServer::Reply::Status(200, "Name: Ann\0  Level: 275\x07\r\nName: Bob"s),
       "OV>> Name: Ann  Level: 275\r\nName: Bob"},
      {test::AsioHttpServer::Reply::Status(200, "\0\x1B"s), ""},
      {test::AsioHttpServer::Reply::Status(200, std::string(1 << 20, 'q')),
       "OV>> " + std::string(kMaxChatLineBytes, 'q') + mark},
      {test::AsioHttpServer::Reply::Generated(1 << 20, false), "OV>> " + lines + mark},
  };
  for (const auto& [reply, chat] : cases) {
    harness.effects.clear();
    world.server.Respond("/member.php", reply);
    EXPECT_TRUE(Type("@mbr list online"));
    const auto printed = harness.ChatTexts();
    EXPECT_EQ(printed.empty() ? "" : printed[0], chat) << chat.substr(0, 40);
    EXPECT_LE(printed.size(), 1u);
  }
}

TEST(LoginTest, LoginRecordsTheCharacterAsksForTheMessageOfTheDayAndPrintsTheStartUpLine) {
  test::AsioHttpServer server;
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
  EXPECT_EQ(sent[0].path + " " + sent[0].body, "/" + Request("message.php", "motd"));
}

}  // namespace
}  // namespace ostravel

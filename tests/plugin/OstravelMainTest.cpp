#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/OstravelLib.h"
#include "plugin/OstravelMain.h"
#include "sim/SimMessage.h"
#include "sim/SimView.h"
#include "support/PluginHarness.h"
#include "tabs/TabWorld.h"

namespace ostravel {
namespace {

using test::PluginHarness;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// A plug-in whose folder holds a settings file, so that its pages load without a word.
class Loaded : public PluginHarness {
 public:
  Loaded() { env.WriteSettings("<ostravel/>"); }
};

TEST(OstravelMainTest, InitializeConnectsTheHostAndLoadsTheWholeViewSilently) {
  Loaded harness;
  harness.Initialize();
  const Context& state = harness.State();

  EXPECT_FALSE(state.LoggedIn);
  EXPECT_EQ(state.World, harness.host.World());
  EXPECT_EQ(state.CharacterStats, harness.host.Stats());
  EXPECT_EQ(state.ACHooks, harness.host.Hooks());
  ASSERT_NE(state.PluginSite, nullptr);
  EXPECT_EQ(state.MainView, harness.host.View());
  EXPECT_EQ(harness.host.View()->Pages().size(), 7u);
  EXPECT_NE(harness.plugin.IrcTab(), nullptr);
  // Loading prints and posts nothing: the first words come at login.
  EXPECT_THAT(harness.effects, IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(harness.env.folder.Path() / "log.txt"));
}

TEST(OstravelMainTest, ARefusedViewIsReportedAndTheRemainingStepsStillRun) {
  Loaded harness;
  harness.host.RefuseViewLoad(true);
  harness.Initialize();

  const auto chat = harness.ChatTexts();
  ASSERT_GT(chat.size(), 2u);
  EXPECT_THAT(chat[0], StartsWith("OV>> Error in OstravelMain.Iplugin2_Initialize. Number: "));
  // The notebook cannot be taken from a view that does not exist.
  EXPECT_EQ(chat[1],
            "OV>> Error in OstravelMain.Iplugin2_Initialize. Number: 91, Description: Object "
            "variable or With block variable not set Source: Ostravel");
  EXPECT_EQ(harness.State().MainView, nullptr);
  EXPECT_NE(harness.State().CharacterStats, nullptr);
  // The pages are still made, and each reports the controls it cannot find.
  EXPECT_NE(harness.plugin.UpdateTab(), nullptr);
  EXPECT_THAT(chat, Contains(StartsWith("OV>> Error in TabChatHelper.Class_Initialize.")));
  EXPECT_THAT(chat, Contains(StartsWith("OV>> Error in TabUpdate.Class_Initialize.")));
  EXPECT_EQ(test::ReadCrLfLines(harness.env.folder.Path() / "log.txt").size(), chat.size());
}

TEST(OstravelMainTest, ASiteThatGivesNothingFailsEachStepWithoutThrowing) {
  PluginHarness harness;
  harness.plugin.IPlugin2_Initialize(nullptr);
  // Plug-in site, hooks, three filters, view and notebook fail, and then each page reports
  // what it lacks. Chat itself needs the hooks, so every report reaches the log only.
  EXPECT_THAT(harness.effects, IsEmpty());
  const auto log = test::ReadCrLfLines(harness.env.folder.Path() / "log.txt");
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& line) {
                            return line.find("OstravelMain.Iplugin2_Initialize") !=
                                   std::string::npos;
                          }),
            7);
}

TEST(OstravelMainTest, TerminateReleasesEverythingButTheHooksAndTheHostsEventsReachNothing) {
  Loaded harness;
  // How many hold each filter before the plug-in takes it.
  const auto echo = harness.host.Echo().use_count();
  const auto world = harness.host.World().use_count();
  const auto stats = harness.host.Stats().use_count();
  harness.Initialize();
  EXPECT_GT(harness.host.Echo().use_count(), echo);
  bool size_answer = false;
  harness.host.View()->Size.Emit(size_answer);
  EXPECT_TRUE(size_answer);
  const auto view = harness.host.View();

  harness.Terminate();
  EXPECT_EQ(harness.host.Echo().use_count(), echo);
  EXPECT_EQ(harness.host.World().use_count(), world);
  EXPECT_EQ(harness.host.Stats().use_count(), stats);
  const Context& state = harness.State();
  EXPECT_EQ(state.MainView, nullptr);
  EXPECT_EQ(state.World, nullptr);
  EXPECT_EQ(state.CharacterStats, nullptr);
  EXPECT_EQ(state.ACHooks, harness.host.Hooks());
  EXPECT_NE(state.PluginSite, nullptr);
  // The view's events no longer reach the plug-in, and the pages are gone.
  EXPECT_EQ(view->Size.HandlerCount(), 0u);
  EXPECT_EQ(harness.plugin.UpdateTab(), nullptr);
  // The host's filters and hooks outlive the plug-in and may still raise events.
  harness.effects.clear();
  harness.host.CompleteLogin();
  harness.host.Logoff(0);
  harness.host.ServerMessage(
      *sim::ParseMessage(R"({"type": 719, "fields": {"key": 1, "value": {"$qword": 5}}})"));
  EXPECT_FALSE(harness.host.TypeLine("@mbr list"));
  ASSERT_EQ(harness.effects.size(), 1u);
  EXPECT_EQ(harness.effects[0].kind, sim::Effect::Kind::kGame);
  EXPECT_FALSE(state.LoggedIn);
  EXPECT_EQ(state.TotalXP, 0.0);
  EXPECT_FALSE(std::filesystem::exists(harness.env.folder.Path() / "log.txt"));
  // Chat output still works for objects that finish after the stop.
  PrintChat(harness.State(), "bye", kChatColor, true);
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> bye"));
}

// The Update page reads the boxes of the character that logs in, so it must learn the name
// first; loaded before, it would show (and at the end save) the boxes of no one's name.
TEST(OstravelMainTest, LoginShowsTheSavedCheckBoxesOfTheCharacterLoggingIn) {
  PluginHarness harness;
  harness.env.WriteSettings(
      "<ostravel><update>"
      "<character name=\"Ostra Vel\" shareinfo=\"False\" autoupdate=\"True\"/>"
      "<character name=\"\" shareinfo=\"True\" autoupdate=\"False\"/>"
      "</update></ostravel>");
  harness.Initialize();
  harness.host.CompleteLogin();
  const auto box = [&](const char* name) {
    return harness.Control<host::Checkbox>(name).Checked();
  };
  EXPECT_FALSE(box("chkUpdateShare"));
  EXPECT_TRUE(box("chkUpdateAuto"));
}

// A logged-in plug-in whose web service is a recording server on 127.0.0.1.
class OstravelMainLoggedInTest : public ::testing::Test {
 protected:
  test::TabWorld world;
  PluginHarness& harness = world.harness;
};

TEST_F(OstravelMainLoggedInTest, OnlyALogoffOfTypeZeroSendsTheLastCharacterUpdate) {
  world.server.Answer("/update.php", "Info: Saved");
  harness.State().UpdateTicks = 12;
  harness.host.Logoff(1);
  harness.host.Logoff(-1);
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_THAT(world.Sent(), IsEmpty());
  EXPECT_EQ(harness.State().UpdateTicks, 12);

  harness.host.Logoff(0);
  ASSERT_TRUE(harness.env.Settle());
  const auto sent = world.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_THAT(sent[0], StartsWith(std::string("update.php ") + test::kStandardFields +
                                  "&Name=Ostra+Vel&Server=Darktide&Birth="));
  // The update counts as the last one, and the answer goes to the page, not to chat.
  EXPECT_EQ(harness.State().UpdateTicks, 1);
  EXPECT_THAT(harness.ChatTexts(), IsEmpty());
  EXPECT_TRUE(harness.State().LoggedIn);
}

TEST_F(OstravelMainLoggedInTest, TheFirstAllegianceMessageSendsOneCharacterUpdate) {
  const auto allegiance_known = sim::ParseMessage(R"({"type": 63408, "fields": {"event": 456}})");
  harness.host.ServerMessage(*allegiance_known);
  ASSERT_TRUE(harness.env.Settle());
  harness.host.ServerMessage(*allegiance_known);
  ASSERT_TRUE(harness.env.Settle());
  const auto sent = world.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_THAT(sent[0], StartsWith(std::string("update.php ") + test::kStandardFields + "&Name="));
}

TEST_F(OstravelMainLoggedInTest, AnswersArePrintedOrPassedOnByTheirCallbackName) {
  world.ShowPage(4);  // the quests page asks for its list
  world.Forget();

  world.server.Answer("/event.php", "Event added.");
  EXPECT_TRUE(harness.host.TypeLine("@event add Raid at noon"));
  ASSERT_TRUE(harness.env.Settle());
  // Printed, and then the showing quest list is asked for again.
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> Event added."));
  EXPECT_THAT(world.Sent(), ElementsAre(test::Request("event.php", "add Raid at noon"),
                                        test::Request("event.php", "list nrofdays=1")));

  harness.effects.clear();
  world.server.Answer("/landblock.php", "Landblock: the Marsh");
  EXPECT_TRUE(harness.host.TypeLine("@lb"));
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> Landblock: the Marsh"));
}

}  // namespace
}  // namespace ostravel

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "common/Context.h"
#include "common/OstravelLib.h"
#include "plugin/GameMessages.h"
#include "plugin/OstravelMain.h"
#include "sim/SimMessage.h"
#include "sim/SimView.h"
#include "support/PluginHarness.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"
#include "tabs/TabWorld.h"

namespace ostravel {
namespace {

using test::PluginHarness;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// A plug-in whose folder holds a settings file, so that its pages load without a word.
struct Loaded : PluginHarness {
  Loaded() { env.WriteSettings("<ostravel/>"); }
};

TEST(OstravelMainTest, InitializeConnectsTheHostAndLoadsTheWholeViewSilently) {
  Loaded harness;
  harness.Initialize();
  // What the host hands over is used by every later test; here only that none of it talks.
  EXPECT_FALSE(harness.State().LoggedIn);
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

// A player who has not yet named the allegiance's service learns at the first login what to
// do, and nothing goes to the starter file's example address (it would only wait for a host
// that is not the allegiance's).
TEST(OstravelMainTest, AFileWithoutTheServicesAddressSaysOnceWhereToPutIt) {
  struct Row {
    const char* server;
    bool not_set;
  };
  for (const Row row :
       {Row{"", true}, Row{"<server url=\"\"/>", true}, Row{"<server url=\"  \"/>", true},
        Row{"<server url=\"http://www.example.com/ostravel/\"/>", true},
        Row{"<server url=\"HTTP://WWW.EXAMPLE.COM/ostravel\"/>", true},
        Row{"<server url=\"http://www.example.com/ostravel/\"/>"
            "<server url=\"http://127.0.0.1:1/\"/>",
            false}}) {
    SCOPED_TRACE(row.server);
    PluginHarness harness;
    harness.env.WriteSettings(std::string("<ostravel>") + row.server + "</ostravel>");
    harness.Initialize();
    harness.host.CompleteLogin();
    // The message of the day is the login's one post.
    EXPECT_EQ(harness.env.http->InFlight(), row.not_set ? 0u : 1u);
    ASSERT_TRUE(harness.env.Settle());
    harness.host.CompleteLogin();
    ASSERT_TRUE(harness.env.Settle());
    const auto chat = harness.ChatTexts();
    const auto told = std::count_if(chat.begin(), chat.end(), [](const std::string& line) {
      return line.find("address is not set") != std::string::npos;
    });
    EXPECT_EQ(told, row.not_set ? 1 : 0);
    if (!row.not_set) continue;
    EXPECT_THAT(chat,
                Contains(::testing::AllOf(StartsWith("OV>> "),
                                          ::testing::HasSubstr("Ostravel.xml in the folder " +
                                                               harness.env.folder.Path().string()),
                                          ::testing::HasSubstr("members' page shows"))));
    EXPECT_THAT(chat, ::testing::Not(Contains(::testing::HasSubstr("did not answer"))));
    EXPECT_FALSE(std::filesystem::exists(harness.env.folder.Path() / "log.txt"));
  }
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

// The game messages the plug-in reads, each met alone with a listener in the pages' place.
class RecordingListener final : public GameMessages::Listener {
 public:
  void UpdateAllegiance() override { calls.push_back("UpdateAllegiance"); }
  void ReceivedDirectChat(const std::string& name, std::int32_t from, std::int32_t to,
                          const std::string& text) override {
    calls.push_back("Tell " + name + " " + std::to_string(from) + " " + std::to_string(to) + " " +
                    text);
  }
  void FellowCreate(std::int32_t count, std::int32_t leader, const std::string& name, bool open,
                    bool share) override {
    calls.push_back("Create " + std::to_string(count) + " " + std::to_string(leader) + " " + name +
                    (open ? " open" : " closed") + (share ? " share" : " own"));
  }
  void FellowAdd(std::int32_t, const std::string&, std::int32_t, std::int32_t, std::int32_t,
                 std::int32_t, std::int32_t&) override {
    calls.push_back("Add");
  }
  void FellowMemberQuit(std::int32_t) override { calls.push_back("Quit"); }
  void FellowMemberDismiss(std::int32_t) override { calls.push_back("Dismiss"); }
  void FellowDisband() override { calls.push_back("Disband"); }

  std::vector<std::string> calls;
};

class GameMessagesTest : public ::testing::Test {
 protected:
  GameMessagesTest() : ctx(env.Env()) { ctx.ACHooks = hooks; }

  void Send(const std::string& json) { messages.Echo2_EchoServer(*sim::ParseMessage(json)); }
  void Event(int event, const std::string& fields) {
    Send(R"({"type": 63408, "fields": {"event": )" + std::to_string(event) +
         (fields.empty() ? "" : ", " + fields) + "}}");
  }
  test::TestEnvironment env;
  Context ctx;
  std::shared_ptr<test::RecordingHooks> hooks = std::make_shared<test::RecordingHooks>();
  RecordingListener listener;
  GameMessages messages{ctx, listener};
};

TEST(QWordToDoubleTest, ReadsLittleEndianUnsigned) {
  EXPECT_EQ(QWordToDouble({0x00, 0x10, 0, 0, 0, 0, 0, 0}), 4096.0);
  EXPECT_EQ(QWordToDouble({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
            18446744073709551615.0);
  EXPECT_EQ(QWordToDouble({1, 0, 0, 0, 0, 0, 0, 1, 0x55}), 72057594037927937.0);
  EXPECT_THROW(QWordToDouble({1, 2, 3}), Error);
}

TEST_F(GameMessagesTest, CharacterAndPropertyQwordsSetTheExperienceTotals) {
  Send(R"({"type": 719, "fields": {"key": 1, "value": {"$raw": "00 10 00 00 00 00 00 00"}}})");
  Send(R"({"type": 719, "fields": {"key": 2, "value": {"$qword": 123456789012}}})");
  Send(R"({"type": 719, "fields": {"key": 3, "value": {"$qword": 5}}})");
  EXPECT_EQ(ctx.TotalXP, 4096.0);
  EXPECT_EQ(ctx.UnassignedXP, 123456789012.0);
  EXPECT_TRUE(hooks->chat.empty());
  Event(19, R"("properties": {"flags": 128, "qwordCount": 2, "qwords": [
      {"key": 2, "value": {"$qword": 7}}, {"key": 1, "value": {"$qword": 9}}]})");
  EXPECT_EQ(ctx.TotalXP, 9.0);
  EXPECT_EQ(ctx.UnassignedXP, 7.0);
  Event(19, R"("properties": {"flags": 127, "qwordCount": 1, "qwords": [
      {"key": 1, "value": {"$qword": 100}}]})");
  EXPECT_EQ(ctx.TotalXP, 9.0);
}

const char* kRecord = R"({"gender": %d, "character": %d, "leadership": 3, "loyalty": 4,
    "name": "%s", "race": 2, "rank": 6, "treeParent": 7, "exp": {"$qword": 5000}})";

std::string Record(int gender, int id, const char* name) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, kRecord, gender, id, name);
  return buffer;
}

// A record's fields as "name guid gender leadership loyalty race rank parent xp".
std::string Text(const AllegianceRecord& r) {
  std::ostringstream out;
  out << r.Name << " " << r.GUID << " " << r.Gender << " " << r.Leadership << " " << r.Loyalty
      << " " << r.Race << " " << r.Rank << " " << r.TreeParent << " " << r.XP;
  return out.str();
}

TEST_F(GameMessagesTest, AllegianceUpdateFillsMonarchAndPatronWhereverTheCharacterStands) {
  Event(32, R"("recordCount": 3, "records": [)" + Record(1, 100, "Queen") + "," +
                Record(2, 200, "Pat") + "," + Record(1, 300, "Me") + "]");
  EXPECT_EQ(Text(ctx.Monarch), "Queen 100 1 3 4 2 6 7 5000");
  EXPECT_EQ(Text(ctx.Patron), "Pat 200 2 3 4 2 6 7 5000");
  EXPECT_THAT(listener.calls, IsEmpty());  // the pages hear of it through event 456
  // The character second, or fewer records.
  ctx.CharacterID = 200;
  Event(32, R"("recordCount": 2, "records": [)" + Record(1, 100, "Queen") + "," +
                Record(2, 200, "Me") + "]");
  EXPECT_EQ(Text(ctx.Patron), "Queen 100 1 3 4 2 6 7 5000");
  ctx.Monarch.Name = "Old";
  Event(32, R"("recordCount": 1, "records": [)" + Record(1, 100, "Queen") + "]");
  EXPECT_EQ(ctx.Monarch.Name, "Queen");
  EXPECT_EQ(Text(ctx.Patron), " 0 0 0 0 0 0 0 0");
  Event(32, R"("recordCount": 0, "records": [])");
  EXPECT_EQ(Text(ctx.Monarch), " 0 0 0 0 0 0 0 0");
}

std::string Fellows(int count) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (i) list += ",";
    list += R"({"fellow": {"fellow": )" + std::to_string(100 + i) + R"(, "name": "F)" +
            std::to_string(i) + R"(", "level": 10, "maxHealth": 1, "maxStam": 2, "maxMana": 3}})";
  }
  return list;
}

TEST_F(GameMessagesTest, TellsAllegianceAndFellowshipEventsReachThePages) {
  Event(701, R"("type": 3, "text": "hi there", "sender": 11, "senderName": "Bob", "target": 22)");
  Event(701, R"("type": 2, "text": "shout", "sender": 11, "senderName": "Bob", "target": 22)");
  Event(163, R"("fellow": 5)");
  Event(164, R"("fellow": 6)");
  Event(703, "");
  Event(456, "");
  EXPECT_THAT(listener.calls, ElementsAre("Tell Bob 11 22 hi there", "Quit", "Dismiss", "Disband",
                                          "UpdateAllegiance"));
}

TEST_F(GameMessagesTest, AReportBeyondTwentySixMembersStoresWhatFitsAndStillCreates) {
  Event(702, R"("fellowCount": 28, "leader": 100, "name": "Big", "open": false, "shareXP": true,
      "fellows": [)" +
                 Fellows(28) + "]");
  EXPECT_EQ(ctx.Fellows[25].ID, 125);
  EXPECT_EQ(hooks->chat.size(), 2u);
  EXPECT_THAT(listener.calls, ElementsAre("Create 28 100 Big closed share"));
}

TEST_F(GameMessagesTest, OtherMessagesAndEventsAreIgnoredAndMissingFieldsReported) {
  Send(R"({"type": 1, "fields": {}})");
  Event(999, "");
  EXPECT_TRUE(hooks->chat.empty());
  Send(R"({"type": 63408, "fields": {}})");
  Event(701, R"("type": 3)");
  EXPECT_EQ(hooks->chat.size(), 2u);
  EXPECT_THAT(listener.calls, IsEmpty());
}

}  // namespace
}  // namespace ostravel

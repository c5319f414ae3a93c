#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tabs/TabChatHelper.h"
#include "tabs/TabUpdate.h"
#include "tabs/TabWorld.h"

// The two pages that keep what the player set in the settings file: the chat helper its tells,
// the Update page its check boxes.
namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::int32_t kMe = 1342177295;

struct ChatLife : test::TabWorld {
  // `whole`, when given, replaces the settings file.
  explicit ChatLife(const std::string& rest, const std::string& whole = "") : TabWorld(rest) {
    if (!whole.empty()) harness.env.WriteSettings(whole);
    State().LoggedIn = true;
    tab = std::make_unique<TabChatHelper>(State());
  }
  void Tell(const std::string& sender, const std::string& message, std::int32_t to = kMe) {
    tab->ReceivedDirectChat(sender, 77, to, message);
  }
  // The tells listed, as "sender: text", each between its two icons.
  std::vector<std::string> Tells() {
    const auto list = List("lstChat");
    std::vector<std::string> rows;
    for (std::int32_t r = 0; r < list->Count(); ++r) {
      EXPECT_EQ(list->Data(0, r, 1), host::Variant(std::int64_t{100668264}));
      EXPECT_EQ(list->Data(3, r, 1), host::Variant(std::int64_t{100667896}));
      rows.push_back(host::ToText(list->Data(1, r, 0)) + ": " + host::ToText(list->Data(2, r, 0)));
    }
    return rows;
  }
  std::vector<std::string> Replies() const { return Effects(sim::Effect::Kind::kInvoke); }
  std::unique_ptr<TabChatHelper> tab;
};

TEST(TabChatHelperTest, WhileAwayOtherPlayersGetTheReplyTextOfThatMoment) {
  ChatLife life("<chathelper savelines=\"10\"/>");
  life.Control<sim::SimCheckbox>("chkChat")->UserCheck(true);
  life.Control<sim::SimEdit>("txtChat")->UserType("brb");
  life.Tell("Bob", "to another character", kMe + 1);  // ignored
  life.Tell("Bob", "hi");
  life.Control<sim::SimEdit>("txtChat")->UserType("gone fishing");
  life.Tell("Ann", "yo");
  life.Tell("Ostra Vel", "note to self");
  life.Tell("ostra vel", "not quite me");
  EXPECT_THAT(life.Replies(), ElementsAre("@tell Bob, brb", "@tell Ann, gone fishing",
                                          "@tell ostra vel, gone fishing"));
  EXPECT_THAT(life.Tells(), ElementsAre("ostra vel: not quite me", "Ostra Vel: note to self",
                                        "Ann: yo", "Bob: hi"));
}

TEST(TabChatHelperTest, ASenderGetsAtMostOneAwayReplyAMinute) {
  ChatLife life("<chathelper savelines=\"10\"/>");
  auto& now = life.harness.env.clock.monotonic_ms;
  life.Control<sim::SimCheckbox>("chkChat")->UserCheck(true);  // the default reply text
  life.Tell("Bob", "hi");
  now += 59'999;
  life.Tell("Bob", "hi");       // a duplicate: not listed again, and no reply yet
  life.Tell("Bob", "anyone?");  // listed, but no reply yet
  life.Tell("Ann", "hi");       // another sender has her own minute
  now += 1;
  life.Tell("Bob", "hi");  // a minute after his reply: a reply, still listed once
  const std::string brb = "@tell Bob, Auto reply - I'm currently afk.";
  EXPECT_THAT(life.Replies(), ElementsAre(brb, "@tell Ann, Auto reply - I'm currently afk.", brb));
  EXPECT_THAT(life.Tells(), ElementsAre("Ann: hi", "Bob: anyone?", "Bob: hi"));
  life.Control<sim::SimCheckbox>("chkChat")->UserCheck(false);
  now += 60'000;
  life.Tell("Bob", "back?");
  EXPECT_EQ(life.Replies().size(), 3u);
}

TEST(TabChatHelperTest, TheNewestTellsLiveOnIntoTheNextLifeCutToSavelines) {
  std::string file;
  {
    ChatLife first(
        "<chathelper savelines=\"2\"><chatline name=\"Ann\" text=\"old &amp; gold\"/>"
        "<chatline name=\"Bob\" text=\"older\"/></chathelper>");
    EXPECT_THAT(first.Tells(), ElementsAre("Ann: old & gold", "Bob: older"));
    first.Tell("Cid", "new");
    first.Tell("Dee", "newer");
    first.List("lstChat")->UserClick(3, 1);  // deletes "Cid: new"
    first.tab.reset();
    EXPECT_THAT(first.harness.ChatTexts(), IsEmpty());
    file = test::ReadFile(first.SettingsPath());
  }
  ChatLife second("", file);  // what the first saved, in its order
  EXPECT_THAT(second.Tells(), ElementsAre("Dee: newer", "Ann: old & gold"));
}

TEST(TabChatHelperTest, SavelinesCutsTheSavedTellsAndOneThatIsNoNumberIsReported) {
  const std::pair<const char*, const char*> cases[] = {
      {" savelines=\"0\"", ""},
      {" savelines=\"-4\"", ""},
      {"", "Number: 94, Description: Invalid use of Null"},
      {" savelines=\"many\"", "Number: 13, Description: Type mismatch"}};
  for (const auto& [attribute, error] : cases) {
    ChatLife life(std::string("<chathelper") + attribute +
                  "><chatline name=\"Ann\" text=\"a\"/></chathelper>");
    const std::string before = test::ReadFile(life.SettingsPath());
    life.Tell("Bob", "b");
    life.tab.reset();
    if (std::string(error).empty()) {  // zero or less removes every saved tell
      EXPECT_THAT(test::ReadFile(life.SettingsPath()), Not(HasSubstr("<chatline"))) << attribute;
      continue;
    }
    EXPECT_EQ(test::ReadFile(life.SettingsPath()), before);  // the old tells stay
    EXPECT_THAT(life.harness.ChatTexts(),
                ElementsAre(std::string("OV>> Error in TabChatHelper.SaveSettings. ") + error +
                            " Source: Ostravel"));
  }
}

// Two game clients share the plug-in folder; each lists the tells it got, one deletes an old
// one, and whichever ends first, the file keeps both new tells and not the deleted one.
TEST(TabChatHelperTest, TwoClientsInOneFolderKeepEachOthersTellsAndDeletions) {
  for (const bool first_ends_first : {true, false}) {
    SCOPED_TRACE(first_ends_first);
    ChatLife first(
        "<chathelper savelines=\"10\"><chatline name=\"Ann\" text=\"old\"/>"
        "<chatline name=\"Eve\" text=\"older\"/></chathelper>");
    test::TabWorld other("");
    other.State().env.folder = first.harness.env.folder.Path();
    auto second = std::make_unique<TabChatHelper>(other.State());
    first.Tell("Bob", "to the first");
    second->ReceivedDirectChat("Cid", 78, kMe, "to the second");
    other.List("lstChat")->UserClick(3, 1);  // the second deletes "Ann: old"
    if (first_ends_first) first.tab.reset();
    second.reset();
    first.tab.reset();
    EXPECT_THAT(first.harness.ChatTexts(), IsEmpty());
    EXPECT_THAT(other.harness.ChatTexts(), IsEmpty());

    ChatLife next("", test::ReadFile(first.SettingsPath()));
    // The one that ends last puts its own new tell on top.
    if (first_ends_first) {
      EXPECT_THAT(next.Tells(),
                  ElementsAre("Cid: to the second", "Bob: to the first", "Eve: older"));
    } else {
      EXPECT_THAT(next.Tells(),
                  ElementsAre("Bob: to the first", "Cid: to the second", "Eve: older"));
    }
  }
}

class TabUpdateTest : public ::testing::Test {
 protected:
  void Start(const std::string& rest = "") { world = std::make_unique<test::TabWorld>(rest); }
  Context& ctx() { return world->State(); }
  std::shared_ptr<sim::SimCheckbox> Check(const char* name) {
    return world->Control<sim::SimCheckbox>(name);
  }
  std::unique_ptr<test::TabWorld> world;
};

TEST_F(TabUpdateTest, NothingIsSentWhileNotLoggedInAndAllegianceSendsOnlyOnce) {
  Start();
  TabUpdate tab(ctx());
  ctx().UpdateTicks = 17;
  tab.Update(true);
  tab.PlayerLogoff();
  tab.TabUpdateAllegiance();  // not logged in: does not count
  world->Control<sim::SimPushButton>("btnUpdate")->UserPress();
  world->Settle();
  EXPECT_THAT(world->Sent(), IsEmpty());
  EXPECT_EQ(ctx().UpdateTicks, 17);
  EXPECT_THAT(world->Chat(), IsEmpty());
  ctx().LoggedIn = true;
  tab.TabUpdateAllegiance();
  world->Settle();
  tab.TabUpdateAllegiance();
  world->Settle();
  EXPECT_EQ(world->Sent().size(), 1u);
  TabUpdate fresh(ctx());  // a new tab object may send its own one
  fresh.TabUpdateAllegiance();
  world->Settle();
  EXPECT_EQ(world->Sent().size(), 2u);
}

TEST_F(TabUpdateTest, UpdatePostsTheRecordAndDrawsTheAnswerOrOneErrorRow) {
  Start();
  world->server.Answer("/update.php",
                       "Info: Saved  Help: Your record was saved.\nInfo: Share is on");
  TabUpdate tab(ctx());
  ctx().LoggedIn = true;
  ctx().UpdateTicks = 17;
  tab.Update();
  EXPECT_EQ(ctx().UpdateTicks, 1);
  world->Settle();
  const auto sent = world->Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_THAT(sent[0], StartsWith("update.php CID=1342177295&MID=0&"));
  EXPECT_THAT(sent[0], HasSubstr("&Name=Ostra+Vel&"));
  EXPECT_THAT(sent[0], HasSubstr("&Share=1%0A"));
  EXPECT_THAT(world->Chat(), IsEmpty());  // "Draw" only draws
  EXPECT_THAT(world->Rows("lstUpdate"),
              ElementsAre("#100676768|Saved|Your record was saved.", "|Share is on|"));
  // A click anywhere on a row prints its help text; an empty one prints nothing.
  world->Click("lstUpdate", 1, 0);
  world->Click("lstUpdate", 0, 1);
  EXPECT_THAT(world->Chat(), ElementsAre("OV>> Your record was saved."));

  world->Forget();
  for (const char* answer : {"\n\n", "<html>Internal error</html>", ""}) {
    world->server.Answer("/update.php", answer);
    tab.Update();
    world->Settle();
    if (*answer == '\0') {
      EXPECT_THAT(world->Rows("lstUpdate"), IsEmpty());
      continue;
    }
    EXPECT_THAT(world->Rows("lstUpdate"),
                ElementsAre(std::string("#100676768|Error on page.|") + answer));
    world->Click("lstUpdate", 1, 0);
    EXPECT_THAT(world->Chat(), ElementsAre(std::string("OV>> ") + answer));
    world->Forget();
  }
  EXPECT_EQ(world->server.RequestCount(), 4u);
}

TEST_F(TabUpdateTest, TheLastMatchingCharacterWinsAndTheSaveLeavesOneForIt) {
  Start(
      "<update>"
      "<character name=\"Ostra Vel\" shareinfo=\"False\" autoupdate=\"False\"/>"
      "<character name=\"Other\" shareinfo=\"False\" autoupdate=\"0\"/>"
      "<character name=\"Ostra Vel\" shareinfo=\"true\" autoupdate=\"0\"/>"
      "<character shareinfo=\"x\"/>"
      "</update>");
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
    EXPECT_TRUE(Check("chkUpdateShare")->Checked());
    EXPECT_FALSE(Check("chkUpdateAuto")->Checked());
    EXPECT_FALSE(tab.AutoUpdateChecked());  // the post timer keeps still
    Check("chkUpdateShare")->UserCheck(false);
    EXPECT_THAT(world->Chat(), IsEmpty());
  }
  EXPECT_THAT(
      test::ReadFile(world->SettingsPath()),
      HasSubstr("<update>\n"
                "    <character name=\"Other\" shareinfo=\"False\" autoupdate=\"0\" />\n"
                "    <character shareinfo=\"x\" />\n"
                "    <character name=\"Ostra Vel\" shareinfo=\"False\" autoupdate=\"False\" />\n"
                "  </update>"));
}

TEST_F(TabUpdateTest, ANonBooleanValueIsReportedAndNothingIsSavedDespiteAnEarlierLoad) {
  Start("<update/>");
  std::string before;
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
    world->harness.env.WriteSettings(  // as at a later login
        "<settings><update><character name=\"Ostra Vel\" shareinfo=\"yes\" autoupdate=\"True\"/>"
        "</update></settings>");
    before = test::ReadFile(world->SettingsPath());
    tab.LoadSettings();
  }
  EXPECT_EQ(test::ReadFile(world->SettingsPath()), before);
  EXPECT_THAT(world->Chat(),
              ElementsAre("OV>> Error in TabUpdate.LoadSettings. Number: 13, Description: Type "
                          "mismatch Source: Ostravel"));
}

}  // namespace
}  // namespace ostravel

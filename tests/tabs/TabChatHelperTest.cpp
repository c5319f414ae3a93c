#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/PluginHarness.h"
#include "support/RecordingServer.h"
#include "tabs/TabChatHelper.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::int32_t kMe = 1342177295;
constexpr const char* kStandardFields =
    "CID=1342177295&MID=0&Location=2103705619&Localtime=12%2F6%2F2026+6%3A37%3A19+AM&FLID=0"
    "&WantFellowship=0";

// The "chatline" elements of a file as "name: text", with where they stand.
std::vector<std::string> SavedLines(const std::filesystem::path& file) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_file(file.c_str()));
  std::vector<std::string> lines;
  for (const auto& line : document.select_nodes("//chatline")) {
    const pugi::xml_node node = line.node();
    lines.push_back(std::string(node.parent().name()) + "/" + node.attribute("name").value() +
                    ": " + node.attribute("text").value());
  }
  return lines;
}

// A plug-in with its settings file and the Chat tab, as one life of the plug-in.
class ChatLife {
 public:
  ChatLife(const std::string& server_url, const std::string& rest) {
    harness.env.WriteSettings("<settings><server url=\"" + server_url + "\"/>" + rest +
                              "</settings>");
    Start();
  }
  ChatLife() { Start(); }  // no settings file

  Context& ctx() { return harness.State(); }
  template <class T>
  T& Control(const char* name) {
    return *std::dynamic_pointer_cast<T>(harness.host.View()->Find(name));
  }
  sim::SimList& List() { return Control<sim::SimList>("lstChat"); }
  void Away(const std::string& text) {
    Control<sim::SimCheckbox>("chkChat").UserCheck(true);
    Control<sim::SimEdit>("txtChat").UserType(text);
  }
  void Tell(const std::string& sender, const std::string& message, std::int32_t to = kMe) {
    tab->ReceivedDirectChat(sender, 77, to, message);
  }
  void After(std::int64_t ms) { harness.env.clock.monotonic_ms += ms; }

  // The rows as "name: text", checking the icons of every row on the way.
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (std::int32_t row = 0; row < List().Count(); ++row) {
      EXPECT_EQ(List().Data(0, row, 1), host::Variant(std::int64_t{100668264}));
      EXPECT_EQ(List().Data(3, row, 1), host::Variant(std::int64_t{100667896}));
      rows.push_back(host::ToText(List().Data(1, row, 0)) + ": " +
                     host::ToText(List().Data(2, row, 0)));
    }
    return rows;
  }
  std::vector<std::string> Effects(sim::Effect::Kind kind) const {
    std::vector<std::string> texts;
    for (const auto& effect : harness.effects) {
      if (effect.kind == kind) texts.push_back(effect.text);
    }
    return texts;
  }
  std::filesystem::path SettingsPath() const { return harness.env.folder.Path() / "Ostravel.xml"; }

  test::PluginHarness harness;
  std::unique_ptr<TabChatHelper> tab;

 private:
  void Start() {
    harness.PublishHost();
    ctx().CharacterID = kMe;
    ctx().CharacterName = "Ostra Vel";
    ctx().LoggedIn = true;
    tab = std::make_unique<TabChatHelper>(ctx());
  }
};

class TabChatHelperTest : public ::testing::Test {
 protected:
  ChatLife life{"http://127.0.0.1:9/", "<chathelper savelines=\"10\"/>"};
};

TEST_F(TabChatHelperTest, ATellToAnotherCharacterIsIgnored) {
  life.Away("brb");
  life.Tell("Bob", "hi", kMe + 1);
  EXPECT_THAT(life.Rows(), IsEmpty());
  EXPECT_THAT(life.harness.effects, IsEmpty());
}

TEST_F(TabChatHelperTest, TellsAreListedNewestFirstAndOnlyOnce) {
  life.Tell("Bob", "hi");
  life.Tell("Ann", "hi");
  life.Tell("Bob", "hi");
  life.Tell("Bob", "Hi");
  EXPECT_THAT(life.Rows(), ElementsAre("Bob: Hi", "Ann: hi", "Bob: hi"));
  EXPECT_THAT(life.harness.effects, IsEmpty());  // not away: no reply
}

TEST_F(TabChatHelperTest, WhileAwayOtherPlayersGetTheReplyTextOfThatMoment) {
  life.Away("brb");
  life.Tell("Bob", "hi");
  life.Control<sim::SimEdit>("txtChat").UserType("gone fishing");
  life.Tell("Ann", "yo");
  life.Tell("Ostra Vel", "note to self");
  life.Tell("ostra vel", "not quite me");
  EXPECT_THAT(
      life.Effects(sim::Effect::Kind::kInvoke),
      ElementsAre("@tell Bob, brb", "@tell Ann, gone fishing", "@tell ostra vel, gone fishing"));
  EXPECT_THAT(life.Rows(), ElementsAre("ostra vel: not quite me", "Ostra Vel: note to self",
                                       "Ann: yo", "Bob: hi"));
}

TEST_F(TabChatHelperTest, ASenderGetsAtMostOneAwayReplyAMinute) {
  life.Away("brb");
  life.Tell("Bob", "hi");
  life.After(59'999);
  life.Tell("Bob", "hi");       // a duplicate: not listed again, and no reply yet
  life.Tell("Bob", "anyone?");  // listed, but no reply yet
  life.Tell("Ann", "hi");       // another sender has her own minute
  life.After(1);
  life.Tell("Bob", "hi");  // a minute after his reply: a reply, still listed once
  EXPECT_THAT(life.Effects(sim::Effect::Kind::kInvoke),
              ElementsAre("@tell Bob, brb", "@tell Ann, brb", "@tell Bob, brb"));
  EXPECT_THAT(life.Rows(), ElementsAre("Ann: hi", "Bob: anyone?", "Bob: hi"));

  life.Control<sim::SimCheckbox>("chkChat").UserCheck(false);
  life.After(60'000);
  life.Tell("Bob", "back?");
  EXPECT_EQ(life.Effects(sim::Effect::Kind::kInvoke).size(), 3u);
}

TEST_F(TabChatHelperTest, ASavelinesAboveTheRowCountSavesEveryRow) {
  life.Tell("Bob", "b");
  life.Tell("Ann", "a");
  life.tab.reset();
  EXPECT_THAT(SavedLines(life.SettingsPath()),
              ElementsAre("chathelper/Ann: a", "chathelper/Bob: b"));
}

TEST_F(TabChatHelperTest, AReplyThatFailsLeavesTheTellUnlisted) {
  life.Away("brb");
  life.ctx().ACHooks.reset();
  life.Tell("Bob", "hi");
  EXPECT_THAT(life.Rows(), IsEmpty());
  const auto log = test::ReadCrLfLines(life.harness.env.folder.Path() / "log.txt");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("Error in TabChatHelper.AddChat. Number: 91,"), std::string::npos);
}

TEST(TabChatHelperClickTest, EachColumnOfARowDoesItsOwnThing) {
  test::RecordingServer server;
  server.Answer("/member.php", "Name: Bob & Co  Level: 80");
  ChatLife life(server.Url(), "");
  life.Tell("Bob & Co", "hi there");
  life.Tell("Ann", "second");

  life.List().UserClick(0, 1);
  ASSERT_TRUE(life.harness.env.Settle());
  const auto sent = server.Requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].path, "/member.php");
  EXPECT_EQ(sent[0].body, std::string(kStandardFields) + "&args=whois+Bob+%26+Co");
  EXPECT_THAT(life.harness.ChatTexts(), ElementsAre("OV>> Name: Bob & Co  Level: 80"));

  life.List().UserClick(1, 1);
  EXPECT_THAT(life.Effects(sim::Effect::Kind::kTypeText), ElementsAre("/tell Bob & Co, "));
  life.List().UserClick(2, 1);
  EXPECT_EQ(life.harness.ChatTexts().back(), "OV>> Bob & Co told you, hi there");

  life.List().UserClick(3, 0);
  EXPECT_THAT(life.Rows(), ElementsAre("Bob & Co: hi there"));
  EXPECT_EQ(life.harness.ChatTexts().size(), 2u);
}

// ---- saved tells ----

TEST(TabChatHelperSettingsTest, TheNewestTellsLiveOnIntoTheNextLifeCutToSavelines) {
  std::string file;
  {
    ChatLife first("http://127.0.0.1:9/",
                   "<chathelper savelines=\"2\"><chatline name=\"Ann\" text=\"old &amp; gold\"/>"
                   "<chatline name=\"Bob\" text=\"older\"/></chathelper>");
    EXPECT_THAT(first.Rows(), ElementsAre("Ann: old & gold", "Bob: older"));
    first.Tell("Cid", "new");
    first.Tell("Dee", "newer");
    first.List().UserClick(3, 1);  // deleting changes the file only at the orderly stop
    EXPECT_THAT(SavedLines(first.SettingsPath()),
                ElementsAre("chathelper/Ann: old & gold", "chathelper/Bob: older"));
    first.tab.reset();
    EXPECT_THAT(SavedLines(first.SettingsPath()),
                ElementsAre("chathelper/Dee: newer", "chathelper/Ann: old & gold"));
    EXPECT_THAT(first.harness.ChatTexts(), IsEmpty());
    file = test::ReadFile(first.SettingsPath());
  }
  test::PluginHarness second_host;
  second_host.env.WriteSettings(file);
  second_host.PublishHost();
  TabChatHelper second(second_host.State());
  auto list = std::dynamic_pointer_cast<sim::SimList>(second_host.host.View()->Find("lstChat"));
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(host::ToText(list->Data(1, 0, 0)), "Dee");
  EXPECT_EQ(host::ToText(list->Data(2, 0, 0)), "newer");
  EXPECT_EQ(host::ToText(list->Data(1, 1, 0)), "Ann");
  EXPECT_EQ(host::ToText(list->Data(2, 1, 0)), "old & gold");
}

TEST(TabChatHelperSettingsTest, SavelinesOfZeroOrLessRemovesEverySavedTell) {
  for (const char* lines : {"0", "-4"}) {
    ChatLife life("http://127.0.0.1:9/", std::string("<chathelper savelines=\"") + lines +
                                             "\"><chatline name=\"Ann\" text=\"a\"/></chathelper>");
    life.Tell("Bob", "b");
    life.tab.reset();
    EXPECT_THAT(SavedLines(life.SettingsPath()), IsEmpty()) << lines;
  }
}

TEST(TabChatHelperSettingsTest, ASavelinesThatIsNoNumberIsReportedAndTheOldTellsStay) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "Number: 94, Description: Invalid use of Null"},
      {" savelines=\"many\"", "Number: 13, Description: Type mismatch"}};
  for (const auto& [attribute, error] : cases) {
    ChatLife life("http://127.0.0.1:9/", std::string("<chathelper") + attribute +
                                             "><chatline name=\"Ann\" text=\"a\"/></chathelper>");
    const std::string before = test::ReadFile(life.SettingsPath());
    life.Tell("Bob", "b");
    life.tab.reset();
    EXPECT_EQ(test::ReadFile(life.SettingsPath()), before);
    EXPECT_THAT(life.harness.ChatTexts(),
                ElementsAre(std::string("OV>> Error in TabChatHelper.SaveSettings. ") + error +
                            " Source: Ostravel"));
  }
}

TEST(TabChatHelperSettingsTest, AChatlineOutsideChathelperIsShownButNeverRewritten) {
  ChatLife life("http://127.0.0.1:9/",
                "<chatline name=\"Out\" text=\"side\"/><chathelper savelines=\"0\"/>"
                "<misc><chatline name=\"Deep\" text=\"er\"/></misc>");
  EXPECT_THAT(life.Rows(), ElementsAre("Out: side", "Deep: er"));
  life.tab.reset();
  EXPECT_THAT(SavedLines(life.SettingsPath()), ElementsAre("settings/Out: side", "misc/Deep: er"));
}

TEST(TabChatHelperSettingsTest, WithoutChathelperTheFileIsLeftAlone) {
  ChatLife life("http://127.0.0.1:9/", "<chatline name=\"Ann\" text=\"a\"/>");
  const std::string before = test::ReadFile(life.SettingsPath());
  life.Tell("Bob", "b");
  life.tab.reset();
  EXPECT_EQ(test::ReadFile(life.SettingsPath()), before);
}

TEST(TabChatHelperSettingsTest, WithoutAFileTellsAreStillListedButNothingIsWritten) {
  ChatLife life;
  EXPECT_THAT(life.harness.ChatTexts(),
              ElementsAre("OV>> Error in TabChatHelper.LoadSettings. Number: -2146697211, "
                          "Description: Ostravel.xml not found Source: pugixml"));
  life.Tell("Bob", "b");
  EXPECT_THAT(life.Rows(), ElementsAre("Bob: b"));
  life.tab.reset();
  EXPECT_FALSE(std::filesystem::exists(life.SettingsPath()));
}

}  // namespace
}  // namespace ostravel

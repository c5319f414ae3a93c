#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/PluginHarness.h"
#include "support/RecordingServer.h"
#include "tabs/TabUpdate.h"
#include "web/CharPostStrings.h"
#include "web/WebRequest.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr std::int64_t kHelpIcon = 100676768;
constexpr const char* kName = "Ostra Vel";

class TabUpdateTest : public ::testing::Test {
 protected:
  // Writes the settings with the recording server's address and `rest` inside the root.
  void WriteSettings(const std::string& rest) {
    harness.env.WriteSettings("<settings><server url=\"" + server.Url() + "\"/>" + rest +
                              "</settings>");
  }
  void Start(const std::string& rest = "") {
    WriteSettings(rest);
    harness.PublishHost();
    ctx().CharacterName = kName;
    ctx().CharacterID = 1342177295;
  }
  void LogIn() { ctx().LoggedIn = true; }

  Context& ctx() { return harness.State(); }
  template <class T>
  T& Control(const char* name) {
    return *std::dynamic_pointer_cast<T>(harness.host.View()->Find(name));
  }
  sim::SimList& List() { return Control<sim::SimList>("lstUpdate"); }
  sim::SimCheckbox& Share() { return Control<sim::SimCheckbox>("chkUpdateShare"); }
  sim::SimCheckbox& Auto() { return Control<sim::SimCheckbox>("chkUpdateAuto"); }

  // The body the server must get for the character record as it stands now.
  std::string ExpectedBody() { return WebRequest(ctx()).HTTPEncoder(CharPostString(ctx())); }
  std::filesystem::path SettingsPath() const { return harness.env.folder.Path() / "Ostravel.xml"; }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (std::int32_t row = 0; row < List().Count(); ++row) {
      const auto icon = List().Data(0, row, 1);
      rows.push_back((host::IsEmpty(icon) ? std::string("-") : host::ToText(icon)) + "|" +
                     host::ToText(List().Data(1, row, 0)) + "|" +
                     host::ToText(List().Data(2, row, 0)));
    }
    return rows;
  }

  test::RecordingServer server;
  test::PluginHarness harness;
};

TEST_F(TabUpdateTest, NothingIsSentWhileNotLoggedIn) {
  Start();
  TabUpdate tab(ctx());
  ctx().UpdateTicks = 17;
  tab.Update(true);
  tab.PlayerLogoff();
  tab.TabUpdateAllegiance();
  Control<sim::SimPushButton>("btnUpdate").UserPress();
  harness.env.Settle();
  EXPECT_EQ(server.RequestCount(), 0u);
  EXPECT_EQ(ctx().UpdateTicks, 17);
  EXPECT_THAT(harness.ChatTexts(), IsEmpty());
}

TEST_F(TabUpdateTest, CreationTicksBothBoxes) {
  Start();
  Share().SetChecked(false);
  Auto().SetChecked(false);
  TabUpdate tab(ctx());
  EXPECT_TRUE(Share().Checked());
  EXPECT_TRUE(Auto().Checked());
  EXPECT_TRUE(tab.AutoUpdateChecked());
  Auto().UserCheck(false);
  EXPECT_FALSE(tab.AutoUpdateChecked());
}

TEST_F(TabUpdateTest, UpdatePostsTheRecordAndDrawsTheAnswer) {
  Start();
  server.Answer("/update.php", "Info: Saved  Help: Your record was saved.\nInfo: Share is on");
  TabUpdate tab(ctx());
  LogIn();
  ctx().UpdateTicks = 17;
  tab.Update();
  EXPECT_EQ(ctx().UpdateTicks, 1);
  ASSERT_TRUE(harness.env.Settle());

  const auto sent = server.Requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].path, "/update.php");
  EXPECT_EQ(sent[0].body, ExpectedBody());
  EXPECT_THAT(sent[0].body, StartsWith("CID=1342177295&MID=0&"));
  EXPECT_THAT(sent[0].body, HasSubstr("&Name=Ostra+Vel&"));
  EXPECT_THAT(sent[0].body, HasSubstr("&Share=1%0A"));
  EXPECT_THAT(harness.ChatTexts(), IsEmpty());  // "Draw" only draws
  EXPECT_THAT(Rows(), ElementsAre(std::to_string(kHelpIcon) + "|Saved|Your record was saved.",
                                  "-|Share is on|"));

  // A click anywhere on a row prints its help text; an empty one prints nothing.
  List().UserClick(1, 0);
  List().UserClick(0, 1);
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> Your record was saved."));
}

TEST_F(TabUpdateTest, PrintToChatPrintsTheWholeAnswerOnceAndDrawsIt) {
  Start();
  server.Answer("/update.php", "Info: Saved\nInfo: Rank  Help: Up");
  TabUpdate tab(ctx());
  LogIn();
  Share().UserCheck(false);
  tab.Update(true);
  ASSERT_TRUE(harness.env.Settle());
  ASSERT_EQ(server.RequestCount(), 1u);
  EXPECT_THAT(server.Requests()[0].body, HasSubstr("&Share=0%0A"));
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> Info: Saved\nInfo: Rank  Help: Up"));
  EXPECT_THAT(Rows(), ElementsAre("-|Saved|", std::to_string(kHelpIcon) + "|Rank|Up"));
}

TEST_F(TabUpdateTest, UnreadableAnswersShowOneErrorRowAndEmptyOnesNone) {
  Start();
  TabUpdate tab(ctx());
  LogIn();
  const auto update_with = [&](const std::string& answer) {
    server.Answer("/update.php", answer);
    tab.Update();
    ASSERT_TRUE(harness.env.Settle());
  };

  update_with("\n\n");
  EXPECT_THAT(Rows(), ElementsAre(std::to_string(kHelpIcon) + "|Error on page.|\n\n"));
  update_with("<html>Internal error</html>");
  EXPECT_THAT(Rows(), ElementsAre(std::to_string(kHelpIcon) +
                                  "|Error on page.|<html>Internal error</html>"));
  List().UserClick(1, 0);
  EXPECT_THAT(harness.ChatTexts(), ElementsAre("OV>> <html>Internal error</html>"));

  update_with("");
  EXPECT_THAT(Rows(), IsEmpty());
  EXPECT_EQ(server.RequestCount(), 3u);
}

TEST_F(TabUpdateTest, AnUpdateAskedForWhileOneIsInFlightIsDroppedButStillCounts) {
  Start();
  server.Delay(std::chrono::milliseconds(200));
  TabUpdate tab(ctx());
  LogIn();
  auto& button = Control<sim::SimPushButton>("btnUpdate");
  button.UserPress();
  ctx().UpdateTicks = 9;
  button.UserPress();
  EXPECT_EQ(ctx().UpdateTicks, 1);
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(TabUpdateTest, LogoffSendsAnUpdate) {
  Start();
  server.Answer("/update.php", "Info: Bye");
  TabUpdate tab(ctx());
  LogIn();
  tab.PlayerLogoff();
  ASSERT_TRUE(harness.env.Settle());
  ASSERT_EQ(server.RequestCount(), 1u);
  EXPECT_EQ(server.Requests()[0].body, ExpectedBody());
  EXPECT_THAT(Rows(), ElementsAre("-|Bye|"));
  EXPECT_THAT(harness.ChatTexts(), IsEmpty());
}

TEST_F(TabUpdateTest, OnlyTheFirstAllegianceMessageWhileLoggedInSendsAnUpdate) {
  Start();
  TabUpdate tab(ctx());
  tab.TabUpdateAllegiance();  // not logged in: does not count
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_EQ(server.RequestCount(), 0u);

  LogIn();
  tab.TabUpdateAllegiance();
  ASSERT_TRUE(harness.env.Settle());
  tab.TabUpdateAllegiance();
  ctx().LoggedIn = false;
  LogIn();  // a new login in the same life
  tab.TabUpdateAllegiance();
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_EQ(server.RequestCount(), 1u);

  TabUpdate fresh(ctx());  // a new tab object may send its own one
  fresh.TabUpdateAllegiance();
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_EQ(server.RequestCount(), 2u);
}

// ---- settings ----

// The attributes of an element as "name=value", in document order.
std::vector<std::string> Attributes(const pugi::xml_node& element) {
  std::vector<std::string> attributes;
  for (const auto& attribute : element.attributes())
    attributes.push_back(std::string(attribute.name()) + "=" + attribute.value());
  return attributes;
}

std::vector<std::vector<std::string>> Characters(const std::filesystem::path& file) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_file(file.c_str()));
  std::vector<std::vector<std::string>> characters;
  for (const auto& character : document.child("settings").child("update").children("character"))
    characters.push_back(Attributes(character));
  return characters;
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
    EXPECT_TRUE(Share().Checked());
    EXPECT_FALSE(Auto().Checked());
    EXPECT_FALSE(tab.AutoUpdateChecked());  // the post timer keeps still
    Share().UserCheck(false);
    EXPECT_THAT(harness.ChatTexts(), IsEmpty());
  }
  EXPECT_THAT(Characters(SettingsPath()),
              ElementsAre(ElementsAre("name=Other", "shareinfo=False", "autoupdate=0"),
                          ElementsAre("shareinfo=x"),
                          ElementsAre("name=Ostra Vel", "shareinfo=False", "autoupdate=False")));
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(SettingsPath().c_str()));
  EXPECT_EQ(std::string(document.child("settings").child("server").attribute("url").value()),
            server.Url());
}

TEST_F(TabUpdateTest, ANewCharacterIsAppendedWithTheBoxesAsTheyAre) {
  Start("<update><character name=\"Other\" shareinfo=\"True\" autoupdate=\"True\"/></update>");
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
    EXPECT_TRUE(Share().Checked());
    EXPECT_TRUE(Auto().Checked());
    Auto().UserCheck(false);
  }
  EXPECT_THAT(Characters(SettingsPath()),
              ElementsAre(ElementsAre("name=Other", "shareinfo=True", "autoupdate=True"),
                          ElementsAre("name=Ostra Vel", "shareinfo=True", "autoupdate=False")));
}

TEST_F(TabUpdateTest, AMissingOrNonBooleanValueIsReportedAndNothingIsSaved) {
  const std::pair<const char*, const char*> cases[] = {
      {"shareinfo=\"yes\" autoupdate=\"True\"", "Number: 13, Description: Type mismatch"},
      {"shareinfo=\"False\"", "Number: 94, Description: Invalid use of Null"}};
  Start();
  for (const auto& [attributes, error] : cases) {
    harness.effects.clear();
    WriteSettings(std::string("<update><character name=\"Ostra Vel\" ") + attributes +
                  "/></update>");
    const std::string before = test::ReadFile(SettingsPath());
    {
      TabUpdate tab(ctx());
      tab.LoadSettings();
    }
    EXPECT_EQ(test::ReadFile(SettingsPath()), before);
    EXPECT_THAT(harness.ChatTexts(),
                ElementsAre(std::string("OV>> Error in TabUpdate.LoadSettings. ") + error +
                            " Source: Ostravel"));
  }
}

TEST_F(TabUpdateTest, AFailedLoadAtALaterLoginKeepsTheEarlierSuccessFromSaving) {
  Start("<update/>");
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
    WriteSettings("<update><character name=\"Ostra Vel\" shareinfo=\"?\"/></update>");
    tab.LoadSettings();
  }
  EXPECT_THAT(Characters(SettingsPath()),
              ElementsAre(ElementsAre("name=Ostra Vel", "shareinfo=?")));
}

TEST_F(TabUpdateTest, WithoutAFileNothingIsReadOrWritten) {
  harness.PublishHost();
  ctx().CharacterName = kName;
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
    EXPECT_THAT(harness.ChatTexts(),
                ElementsAre("OV>> Error in TabUpdate.LoadSettings. Number: -2146697211, "
                            "Description: Ostravel.xml not found Source: pugixml"));
  }
  EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
}

TEST_F(TabUpdateTest, WithoutAnUpdateElementTheFileIsLeftAlone) {
  Start("<character name=\"Ostra Vel\" shareinfo=\"False\" autoupdate=\"False\"/>");
  const std::string before = test::ReadFile(SettingsPath());
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();  // the element counts wherever it stands
    EXPECT_FALSE(Share().Checked());
    Share().UserCheck(true);
  }
  EXPECT_EQ(test::ReadFile(SettingsPath()), before);
  EXPECT_THAT(harness.ChatTexts(), IsEmpty());
}

TEST_F(TabUpdateTest, WithoutAViewEveryStepOfCreationIsReportedAndTheRestGoesOn) {
  WriteSettings("");
  {
    TabUpdate tab(ctx());  // the plug-in was never started: no view, no hooks
    tab.PlayerLogoff();
  }
  int initialize = 0;
  for (const auto& line : test::ReadCrLfLines(harness.env.folder.Path() / "log.txt")) {
    if (line.find("Error in TabUpdate.Class_Initialize. Number: 91,") != std::string::npos)
      ++initialize;
  }
  EXPECT_EQ(initialize, 6);  // four controls and two boxes to tick
}

}  // namespace
}  // namespace ostravel

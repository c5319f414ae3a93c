#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/PluginHarness.h"
#include "support/RecordingServer.h"
#include "tabs/TabUpdate.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr std::int64_t kHelpIcon = 100676768;

class TabUpdateTest : public ::testing::Test {
 protected:
  void Start(const std::string& rest = "") {
    harness.env.WriteSettings("<settings><server url=\"" + server.Url() + "\"/>" + rest +
                              "</settings>");
    harness.PublishHost();
    ctx().CharacterName = "Ostra Vel";
    ctx().CharacterID = 1342177295;
  }
  Context& ctx() { return harness.State(); }
  template <class T>
  T& Control(const char* name) {
    return *std::dynamic_pointer_cast<T>(harness.host.View()->Find(name));
  }
  sim::SimList& List() { return Control<sim::SimList>("lstUpdate"); }
  sim::SimCheckbox& Share() { return Control<sim::SimCheckbox>("chkUpdateShare"); }
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

TEST_F(TabUpdateTest, NothingIsSentWhileNotLoggedInAndAllegianceSendsOnlyOnce) {
  Start();
  TabUpdate tab(ctx());
  ctx().UpdateTicks = 17;
  tab.Update(true);
  tab.PlayerLogoff();
  tab.TabUpdateAllegiance();  // not logged in: does not count
  Control<sim::SimPushButton>("btnUpdate").UserPress();
  harness.env.Settle();
  EXPECT_EQ(server.RequestCount(), 0u);
  EXPECT_EQ(ctx().UpdateTicks, 17);
  EXPECT_THAT(harness.ChatTexts(), IsEmpty());
  ctx().LoggedIn = true;
  tab.TabUpdateAllegiance();
  ASSERT_TRUE(harness.env.Settle());
  tab.TabUpdateAllegiance();
  ctx().LoggedIn = false;
  ctx().LoggedIn = true;  // a new login in the same life
  tab.TabUpdateAllegiance();
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_EQ(server.RequestCount(), 1u);
  TabUpdate fresh(ctx());  // a new tab object may send its own one
  fresh.TabUpdateAllegiance();
  ASSERT_TRUE(harness.env.Settle());
  EXPECT_EQ(server.RequestCount(), 2u);
}

TEST_F(TabUpdateTest, UpdatePostsTheRecordAndDrawsTheAnswer) {
  Start();
  server.Answer("/update.php", "Info: Saved  Help: Your record was saved.\nInfo: Share is on");
  TabUpdate tab(ctx());
  ctx().LoggedIn = true;
  ctx().UpdateTicks = 17;
  tab.Update();
  EXPECT_EQ(ctx().UpdateTicks, 1);
  ASSERT_TRUE(harness.env.Settle());
  const auto sent = server.Requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].path, "/update.php");
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

TEST_F(TabUpdateTest, AFailedLoadAtALaterLoginKeepsTheEarlierSuccessFromSaving) {
  Start("<update/>");
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
    harness.env.WriteSettings(
        "<settings><update><character name=\"Ostra Vel\" shareinfo=\"?\"/></update></settings>");
    tab.LoadSettings();
  }
  EXPECT_THAT(test::ReadFile(SettingsPath()), HasSubstr("shareinfo=\"?\""));
}

TEST_F(TabUpdateTest, UnreadableAnswersShowOneErrorRowAndEmptyOnesNone) {
  Start();
  TabUpdate tab(ctx());
  ctx().LoggedIn = true;
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
    EXPECT_FALSE(Control<sim::SimCheckbox>("chkUpdateAuto").Checked());
    EXPECT_FALSE(tab.AutoUpdateChecked());  // the post timer keeps still
    Share().UserCheck(false);
    EXPECT_THAT(harness.ChatTexts(), IsEmpty());
  }
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(SettingsPath().c_str()));
  std::vector<std::vector<std::string>> characters;
  for (const auto& character : document.child("settings").child("update").children("character")) {
    characters.emplace_back();
    for (const auto& attribute : character.attributes())
      characters.back().push_back(std::string(attribute.name()) + "=" + attribute.value());
  }
  EXPECT_THAT(characters,
              ElementsAre(ElementsAre("name=Other", "shareinfo=False", "autoupdate=0"),
                          ElementsAre("shareinfo=x"),
                          ElementsAre("name=Ostra Vel", "shareinfo=False", "autoupdate=False")));
}

TEST_F(TabUpdateTest, ANonBooleanValueIsReportedAndNothingIsSaved) {
  Start("<update><character name=\"Ostra Vel\" shareinfo=\"yes\" autoupdate=\"True\"/></update>");
  const std::string before = test::ReadFile(SettingsPath());
  {
    TabUpdate tab(ctx());
    tab.LoadSettings();
  }
  EXPECT_EQ(test::ReadFile(SettingsPath()), before);
  EXPECT_THAT(harness.ChatTexts(),
              ElementsAre("OV>> Error in TabUpdate.LoadSettings. Number: 13, Description: Type "
                          "mismatch Source: Ostravel"));
}

}  // namespace
}  // namespace ostravel

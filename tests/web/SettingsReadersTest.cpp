#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "irc/TabIRC.h"
#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/PluginHarness.h"
#include "tabs/TabUpdate.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;

// The owners that read Booleans from the settings file: a damaged element ends the load with
// an error, none of its values is used, and the file is left alone at the end.
class SettingsReadersTest : public ::testing::Test {
 protected:
  void Start(const std::string& content) {
    harness.env.WriteSettings(content);
    before = test::ReadFile(harness.env.folder.Path() / "Ostravel.xml");
    harness.PublishHost();
    harness.State().CharacterName = "Ostra Vel";
  }
  std::string After() const { return test::ReadFile(harness.env.folder.Path() / "Ostravel.xml"); }

  test::PluginHarness harness;
  std::string before;
};

TEST_F(SettingsReadersTest, UpdateTabWithAMissingBooleanChangesNeitherBox) {
  for (const char* element : {R"(<character name="Ostra Vel" shareinfo="False"/>)",
                              R"(<character name="Ostra Vel" autoupdate="False"/>)"}) {
    SCOPED_TRACE(element);
    harness.effects.clear();
    Start(std::string("<settings><update>") + element + "</update></settings>");
    {
      TabUpdate tab(harness.State());
      tab.LoadSettings();
      EXPECT_TRUE(harness.Control<sim::SimCheckbox>("chkUpdateShare").Checked());
      EXPECT_TRUE(harness.Control<sim::SimCheckbox>("chkUpdateAuto").Checked());
      harness.Control<sim::SimCheckbox>("chkUpdateShare").SetChecked(false);
    }
    EXPECT_EQ(After(), before);
    EXPECT_THAT(harness.ChatTexts(),
                ElementsAre("OV>> Error in TabUpdate.LoadSettings. Number: 94, Description: "
                            "Invalid use of Null Source: Ostravel"));
  }
}

TEST_F(SettingsReadersTest, IrcTabStopsAtAChannelWithoutJoinAndSavesNothing) {
  Start(
      "<settings><irc>"
      R"(<channel server="irc.a" port="6667" channel="#one" command="o" colorcode="3" join="False"/>)"
      R"(<channel server="irc.a" port="6667" channel="#two" command="t" colorcode="4"/>)"
      R"(<channel server="irc.b" port="6667" channel="#three" command="h" colorcode="5" join="True"/>)"
      "</irc></settings>");
  {
    TabIRC tab(harness.State());
    const auto& choices = harness.Control<sim::SimChoice>("chIRC").Options();
    ASSERT_EQ(choices.size(), 1u);  // the channels read before the damaged one stay
    EXPECT_EQ(choices[0].text, "#one");
  }
  EXPECT_EQ(After(), before);
  EXPECT_THAT(harness.ChatTexts(),
              ElementsAre("OV>> Error in TabIRC.LoadSettings. Number: 94, Description: "
                          "Invalid use of Null Source: Ostravel"));
}

}  // namespace
}  // namespace ostravel

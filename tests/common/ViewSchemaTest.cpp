#include <gtest/gtest.h>

#include <string>

#include "common/ViewSchema.h"

namespace ostravel {
namespace {

TEST(ViewSchemaTest, StartsEndsAndHoldsTheExactControlTagsWithNothingBetween) {
  const std::string xml = ViewSchema();
  EXPECT_TRUE(xml.starts_with(
      R"(<?xml version="1.0"?><view icon="24396" title="Ostravel" width="213" height="343" >)"
      R"(<control name="nbMain" progid="DecalControls.Notebook"><page label="Chat">)"
      R"(<control progid="DecalControls.BorderLayout"><border edge="top" size="30">)"
      R"(<control progid="DecalControls.FixedLayout"><control name="chkChat" )"));
  EXPECT_TRUE(xml.ends_with(
      R"(<column progid="DecalControls.TextColumn"/></control></center></control></page>)"
      R"(</control></view>)"));
  EXPECT_EQ(xml.find('\n'), std::string::npos);
  EXPECT_EQ(xml.find("> <"), std::string::npos);
  for (
      const char* piece : {
          R"(<control name="chkChat" progid="DecalControls.Checkbox" left="5" top="8" width="35" height="20" text="afk"/>)",
          R"(<control name="txtChat" progid="DecalControls.Edit" left="42" top="6" width="163" height="18" imageportalsrc="5201" textcolor="8716155" text="Auto reply - I'm currently afk."/>)",
          R"(<control name="lstChat" progid="DecalControls.List"><column progid="DecalControls.IconColumn"/><column progid="DecalControls.TextColumn" fixedwidth="95"/><column progid="DecalControls.TextColumn"/><column progid="DecalControls.IconColumn"/></control></center>)",
          R"(<control name="chMsg" progid="DecalControls.Choice" selected="0" left="5" top="6" width="175" height="20"><option text="New Messages"/><option text="Read Messages"/><option text="Sent Messages"/></control>)",
          R"(<control name="btnMsg" progid="DecalControls.PushButton" left="185" top="5" width="20" height="20" text="?"/>)",
          R"(<option text="Online Everyone"/><option text="Allegaince Friends"/>)",
          R"(<option text="Staff: Magistrates"/><option text="Staff: Pk Generals"/>)",
          R"(<option text="Online Levels: 20-40"/><option text="Online Levels: 1-20"/></control><control name="btnMbr" )",
          R"(<control name="chGrp" progid="DecalControls.Choice" selected="0" left="5" top="6" width="150" height="20"><option text="Fellowship Leaders"/><option text="Solo Players"/></control>)",
          R"(<control name="chkGrp" progid="DecalControls.Checkbox" left="160" top="8" width="50" height="20" text="Enlist"/>)",
          R"(<option text="Todays Quests/Events"/><option text="Next 7 days Quests/Events"/><option text="All Quests/Events"/><option text="My Quests/Events"/>)",
          R"(<control name="lstQst" progid="DecalControls.List"><column progid="DecalControls.IconColumn"/><column progid="DecalControls.TextColumn" fixedwidth="105"/><column progid="DecalControls.TextColumn" fixedwidth="85"/><column progid="DecalControls.TextColumn"/><column progid="DecalControls.TextColumn" fixedwidth="0"/></control>)",
          R"(<control name="chIRC" progid="DecalControls.Choice" left="5" top="6" width="165" height="20"></control><control name="chkIRC" progid="DecalControls.Checkbox" left="175" top="8" width="50" height="20" text="On"/>)",
          R"(<control name="chkUpdateShare" progid="DecalControls.Checkbox" left="5" top="8" width="70" height="20" text="Share info"/><control name="chkUpdateAuto" progid="DecalControls.Checkbox" left="75" top="8" width="75" height="20" text="Auto update"/><control name="btnUpdate" progid="DecalControls.PushButton" left="152" top="5" width="55" height="20" text="Update"/></control></border><center><control name="lstUpdate" progid="DecalControls.List">)",
      }) {
    EXPECT_NE(xml.find(piece), std::string::npos) << piece;
  }
  std::size_t at = 0;  // the pages in order
  for (const char* label : {"Chat", "Msg", "Mbr", "Grp", "Qst", "IRC", "Update"}) {
    at = xml.find(std::string("<page label=\"") + label + "\">", at);
    EXPECT_NE(at, std::string::npos) << label;
  }
}

}  // namespace
}  // namespace ostravel

#include "common/ViewSchema.h"

#include <initializer_list>
#include <string_view>

namespace ostravel {
namespace {

// The pieces of one page: its top-row controls and the opening tag and columns of its list.
struct PageText {
  std::string_view label;
  std::string_view top_row;
  std::string_view list;
};

constexpr std::string_view kIcon = R"(<column progid="DecalControls.IconColumn"/>)";
constexpr std::string_view kText = R"(<column progid="DecalControls.TextColumn"/>)";

std::string Column(int fixed_width) {
  return R"(<column progid="DecalControls.TextColumn" fixedwidth=")" + std::to_string(fixed_width) +
         R"("/>)";
}

std::string List(std::string_view name, std::initializer_list<std::string> columns) {
  std::string text = R"(<control name=")";
  text += name;
  text += R"(" progid="DecalControls.List">)";
  for (const auto& column : columns) text += column;
  return text;
}

std::string Options(std::initializer_list<std::string_view> texts) {
  std::string text;
  for (auto option : texts) {
    text += R"(<option text=")";
    text += option;
    text += R"("/>)";
  }
  return text;
}

void AppendPage(std::string& xml, std::string_view label, const std::string& top_row,
                const std::string& list) {
  xml += R"(<page label=")";
  xml += label;
  xml += R"(">)";
  xml += R"(<control progid="DecalControls.BorderLayout">)";
  xml += R"(<border edge="top" size="30">)";
  xml += R"(<control progid="DecalControls.FixedLayout">)";
  xml += top_row;
  xml += "</control></border><center>";
  xml += list;
  xml += "</control></center></control></page>";
}

}  // namespace

std::string ViewSchema() {
  const std::string icon(kIcon);
  const std::string text(kText);
  std::string xml = R"(<?xml version="1.0"?>)";
  xml += R"(<view icon="24396" title="Ostravel" width="213" height="343" >)";
  xml += R"(<control name="nbMain" progid="DecalControls.Notebook">)";

  AppendPage(
      xml, "Chat",
      R"(<control name="chkChat" progid="DecalControls.Checkbox" left="5" top="8" width="35" height="20" text="afk"/>)"
      R"(<control name="txtChat" progid="DecalControls.Edit" left="42" top="6" width="163" height="18" imageportalsrc="5201" textcolor="8716155" text="Auto reply - I'm currently afk."/>)",
      List("lstChat", {icon, Column(95), text, icon}));

  AppendPage(
      xml, "Msg",
      R"(<control name="chMsg" progid="DecalControls.Choice" selected="0" left="5" top="6" width="175" height="20">)" +
          Options({"New Messages", "Read Messages", "Sent Messages"}) +
          R"(</control><control name="btnMsg" progid="DecalControls.PushButton" left="185" top="5" width="20" height="20" text="?"/>)",
      List("lstMsg", {icon, Column(105), text, icon, Column(0)}));

  AppendPage(
      xml, "Mbr",
      R"(<control name="chMbr" progid="DecalControls.Choice" selected="0" left="5" top="6" width="175" height="20">)" +
          Options(
              {"Online My Levelrange",   "Online Everyone",           "Allegaince Friends",
               "Staff: Magistrates",     "Staff: Pk Generals",        "Staff: Chain Managers",
               "Staff: Quest Masters",   "Staff: Body Recovery Team", "Staff: Reporters",
               "Online Nearby",          "Online Player Killers",     "Online Lockpickers",
               "Online Armor Tinkerers", "Online Weapon Tinkerers",   "Online Magic Item Tinkerers",
               "Online Item Tinkerers",  "Online Alchemists",         "Online Chefs",
               "Online Fletchers",       "Online Levels: 100+",       "Online Levels: 80-100",
               "Online Levels: 60-80",   "Online Levels: 40-60",      "Online Levels: 20-40",
               "Online Levels: 1-20"}) +
          R"(</control><control name="btnMbr" progid="DecalControls.PushButton" left="185" top="5" width="20" height="20" text="?"/>)",
      List("lstMbr", {icon, Column(112), Column(25), text}));

  AppendPage(
      xml, "Grp",
      R"(<control name="chGrp" progid="DecalControls.Choice" selected="0" left="5" top="6" width="150" height="20">)" +
          Options({"Fellowship Leaders", "Solo Players"}) +
          R"(</control><control name="chkGrp" progid="DecalControls.Checkbox" left="160" top="8" width="50" height="20" text="Enlist"/>)",
      List("lstGrp", {icon, Column(112), Column(25), text}));

  AppendPage(
      xml, "Qst",
      R"(<control name="chQst" progid="DecalControls.Choice" selected="0" left="5" top="6" width="175" height="20">)" +
          Options({"Todays Quests/Events", "Next 7 days Quests/Events", "All Quests/Events",
                   "My Quests/Events"}) +
          R"(</control><control name="btnQst" progid="DecalControls.PushButton" left="185" top="5" width="20" height="20" text="?"/>)",
      List("lstQst", {icon, Column(105), Column(85), text, Column(0)}));

  AppendPage(
      xml, "IRC",
      R"(<control name="chIRC" progid="DecalControls.Choice" left="5" top="6" width="165" height="20"></control>)"
      R"(<control name="chkIRC" progid="DecalControls.Checkbox" left="175" top="8" width="50" height="20" text="On"/>)",
      List("lstIRC", {icon, Column(112), Column(25), text}));

  AppendPage(
      xml, "Update",
      R"(<control name="chkUpdateShare" progid="DecalControls.Checkbox" left="5" top="8" width="70" height="20" text="Share info"/>)"
      R"(<control name="chkUpdateAuto" progid="DecalControls.Checkbox" left="75" top="8" width="75" height="20" text="Auto update"/>)"
      R"(<control name="btnUpdate" progid="DecalControls.PushButton" left="152" top="5" width="55" height="20" text="Update"/>)",
      List("lstUpdate", {icon, Column(190), text}));

  xml += "</control></view>";
  return xml;
}

}  // namespace ostravel

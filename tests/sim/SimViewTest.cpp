#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Error.h"
#include "common/ViewSchema.h"
#include "sim/SimControls.h"
#include "sim/SimView.h"

namespace ostravel::sim {
namespace {

using host::IsEmpty;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

template <class T>
std::shared_ptr<T> Get(SimView& view, const std::string& name) {
  auto control = std::dynamic_pointer_cast<T>(view.ControlByName(name));
  EXPECT_TRUE(control) << name << " is not of the expected kind";
  return control;
}

std::vector<std::optional<int>> FixedWidths(const SimList& list) {
  std::vector<std::optional<int>> widths;
  for (const auto& column : list.Columns()) {
    if (column.fixed_width) widths.push_back(column.fixed_width);
  }
  return widths;
}

// The error that loading `xml` raises.
Error LoadError(const std::string& xml) {
  try {
    SimView::Load(xml);
  } catch (const Error& error) {
    return error;
  }
  ADD_FAILURE() << "the view was accepted";
  return Error(0, "");
}

class SimViewSchemaTest : public ::testing::Test {
 protected:
  std::shared_ptr<SimView> view_ = SimView::Load(ViewSchema());
};

TEST_F(SimViewSchemaTest, HasTheSevenPagesOfTheMainNotebook) {
  std::vector<std::string> labels;
  for (const auto& page : view_->Pages()) labels.push_back(page.label);
  EXPECT_THAT(labels, ElementsAre("Chat", "Msg", "Mbr", "Grp", "Qst", "IRC", "Update"));
  EXPECT_EQ(view_->Title(), "Ostravel");
  ASSERT_TRUE(view_->MainNotebook());
  EXPECT_EQ(view_->MainNotebook(), view_->Find("nbMain"));
  EXPECT_EQ(view_->MainNotebook()->PageLabels().size(), 7u);
  EXPECT_EQ(view_->MainNotebook()->ActiveTab(), 0);
}

TEST_F(SimViewSchemaTest, BuildsTheTopRowControlsWithTheirState) {
  EXPECT_FALSE(Get<SimCheckbox>(*view_, "chkChat")->Checked());
  EXPECT_EQ(Get<SimCheckbox>(*view_, "chkChat")->Info().text, "afk");
  EXPECT_EQ(Get<SimEdit>(*view_, "txtChat")->Text(), "Auto reply - I'm currently afk.");
  EXPECT_EQ(Get<SimChoice>(*view_, "chMsg")->ChoiceCount(), 3);
  auto members = Get<SimChoice>(*view_, "chMbr");
  EXPECT_EQ(members->ChoiceCount(), 25);
  EXPECT_EQ(members->Selected(), 0);
  EXPECT_EQ(members->Text(2), "Allegaince Friends");
  EXPECT_TRUE(IsEmpty(members->Data(2)));
  EXPECT_EQ(Get<SimChoice>(*view_, "chGrp")->ChoiceCount(), 2);
  EXPECT_EQ(Get<SimChoice>(*view_, "chQst")->ChoiceCount(), 4);
  EXPECT_EQ(Get<SimChoice>(*view_, "chIRC")->ChoiceCount(), 0);
  EXPECT_EQ(Get<SimChoice>(*view_, "chIRC")->Selected(), -1);
  for (const char* name : {"btnMsg", "btnMbr", "btnQst", "btnUpdate"}) {
    Get<SimPushButton>(*view_, name);
  }
  for (const char* name : {"chkGrp", "chkIRC", "chkUpdateShare", "chkUpdateAuto"}) {
    Get<SimCheckbox>(*view_, name);
  }
  EXPECT_EQ(Get<SimPushButton>(*view_, "btnUpdate")->Info().text, "Update");
}

TEST_F(SimViewSchemaTest, GivesEachPageItsListWithTheColumns) {
  const std::vector<std::pair<std::string, std::vector<std::optional<int>>>> expected = {
      {"lstChat", {95}},        {"lstMsg", {105, 0}},  {"lstMbr", {112, 25}}, {"lstGrp", {112, 25}},
      {"lstQst", {105, 85, 0}}, {"lstIRC", {112, 25}}, {"lstUpdate", {190}},
  };
  const std::vector<int> column_counts = {4, 5, 4, 4, 5, 4, 3};
  ASSERT_EQ(view_->Pages().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& list = view_->Pages()[i].list;
    ASSERT_TRUE(list) << i;
    EXPECT_EQ(list, Get<SimList>(*view_, expected[i].first));
    EXPECT_EQ(list->ColumnCount(), column_counts[i]) << expected[i].first;
    EXPECT_EQ(FixedWidths(*list), expected[i].second) << expected[i].first;
    EXPECT_TRUE(list->Columns().front().icon) << expected[i].first;
  }
}

TEST_F(SimViewSchemaTest, PutsTheNamedControlsOfAPageInItsTopRow) {
  std::vector<std::string> names;
  for (const auto& control : view_->Pages()[6].top_row) names.push_back(control->Name());
  EXPECT_THAT(names, ElementsAre("chkUpdateShare", "chkUpdateAuto", "btnUpdate"));
}

TEST_F(SimViewSchemaTest, NumbersEveryControlIncludingLayouts) {
  // nbMain is 1; each page then holds a border layout, a fixed layout, its row and its list.
  EXPECT_EQ(view_->ControlByName("nbMain")->Id(), 1);
  EXPECT_EQ(view_->ControlByName("chkChat")->Id(), 4);
  EXPECT_EQ(view_->ControlByName("txtChat")->Id(), 5);
  EXPECT_EQ(view_->ControlByName("lstChat")->Id(), 6);
  EXPECT_EQ(view_->ControlByName("chMsg")->Id(), 9);
  EXPECT_EQ(view_->ControlNames().front(), "nbMain");
  EXPECT_EQ(view_->ControlNames().back(), "lstUpdate");
  EXPECT_EQ(view_->ControlNames().size(), 1u + 7u + 15u);
}

TEST_F(SimViewSchemaTest, RefusesAnUnknownName) {
  EXPECT_EQ(view_->Find("lstNothing"), nullptr);
  try {
    view_->ControlByName("lstNothing");
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_THAT(error.Description(), HasSubstr("lstNothing"));
  }
  EXPECT_THROW(host::GetControl<host::List>(*view_, "chkChat"), Error);
}

TEST(SimViewLoadTest, RefusesMalformedXmlWithTheParsersReason) {
  const Error error = LoadError(R"(<view title="x"><control name="a")");
  EXPECT_THAT(error.Description(), HasSubstr("malformed XML"));
  EXPECT_THAT(error.Description(), HasSubstr("offset"));
}

TEST(SimViewLoadTest, RefusesUnknownProgidsOfControlsAndColumns) {
  EXPECT_THAT(
      LoadError(R"(<view><control name="s" progid="DecalControls.Slider"/></view>)").Description(),
      HasSubstr("DecalControls.Slider"));
  EXPECT_THAT(LoadError(R"(<view><control name="l" progid="DecalControls.List">)"
                        R"(<column progid="DecalControls.ButtonColumn"/></control></view>)")
                  .Description(),
              HasSubstr("DecalControls.ButtonColumn"));
}

TEST(SimViewLoadTest, RefusesOtherBadViews) {
  EXPECT_THAT(LoadError(R"(<window/>)").Description(), HasSubstr("<view>"));
  EXPECT_THAT(LoadError(R"(<view><control name="a" progid="DecalControls.Edit"/>)"
                        R"(<control name="a" progid="DecalControls.Checkbox"/></view>)")
                  .Description(),
              HasSubstr("duplicate control name \"a\""));
  EXPECT_THAT(LoadError(R"(<view><control name="c" progid="DecalControls.Choice" selected="1">)"
                        R"(<option text="only"/></control></view>)")
                  .Description(),
              HasSubstr("selects option 1"));
  LoadError(R"(<view><control name="c" progid="DecalControls.Choice" selected="x"/></view>)");
}

TEST(SimViewLoadTest, ReadsCheckedStatesAndUnnamedControls) {
  auto view = SimView::Load(
      R"(<view><control progid="DecalControls.Checkbox" checked="true"/>)"
      R"(<control name="a" progid="DecalControls.Checkbox" checked="1"/>)"
      R"(<control name="b" progid="DecalControls.Checkbox" checked="True"/>)"
      R"(<control name="c" progid="DecalControls.Checkbox" checked="false"/></view>)");
  EXPECT_TRUE(Get<SimCheckbox>(*view, "a")->Checked());
  EXPECT_TRUE(Get<SimCheckbox>(*view, "b")->Checked());
  EXPECT_FALSE(Get<SimCheckbox>(*view, "c")->Checked());
  EXPECT_EQ(view->ControlByName("a")->Id(), 2);  // the unnamed box took id 1
  EXPECT_THAT(view->ControlNames(), ElementsAre("a", "b", "c"));
  EXPECT_EQ(view->MainNotebook(), nullptr);
}

}  // namespace
}  // namespace ostravel::sim

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Error.h"
#include "common/ViewSchema.h"
#include "sim/SimControls.h"
#include "sim/SimView.h"

namespace ostravel::sim {
namespace {

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

TEST(SimViewLoadTest, RefusesMalformedXmlAndUnknownProgids) {
  const Error error = LoadError(R"(<view title="x"><control name="a")");
  EXPECT_THAT(error.Description(), HasSubstr("malformed XML"));
  EXPECT_THAT(error.Description(), HasSubstr("offset"));
  EXPECT_THAT(
      LoadError(R"(<view><control name="s" progid="DecalControls.Slider"/></view>)").Description(),
      HasSubstr("DecalControls.Slider"));
  EXPECT_THAT(LoadError(R"(<view><control name="l" progid="DecalControls.List">)"
                        R"(<column progid="DecalControls.ButtonColumn"/></control></view>)")
                  .Description(),
              HasSubstr("DecalControls.ButtonColumn"));
}

}  // namespace
}  // namespace ostravel::sim

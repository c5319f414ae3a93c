#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "base/Error.h"
#include "common/ViewSchema.h"
#include "platform/EventLoop.h"
#include "sim/SimControls.h"
#include "sim/SimHost.h"
#include "sim/SimView.h"

// The simulated host's timers, list cells and view loading, which the plug-in's tests stand on.
namespace ostravel::sim {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

TEST(SimHostTest, NoTickAfterStopOrDestruction) {
  platform::EventLoop loop;
  SimHost host{loop, SampleProfile()};
  int ticks = 0;
  auto stopped = host.Site()->GetPluginSite2()->CreateTimer();
  auto destroyed = host.Site()->GetPluginSite2()->CreateTimer();
  auto c1 = stopped->Timeout.Connect([&ticks](host::Timer&) { ++ticks; });
  auto c2 = destroyed->Timeout.Connect([&ticks](host::Timer&) { ++ticks; });
  stopped->Start(10);
  destroyed->Start(10);
  stopped->Stop();
  destroyed.reset();
  loop.RunFor(60ms);
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(stopped->Running());
}

TEST(SimListTest, RefusesCellsOutsideTheTable) {
  SimList list{ControlInfo{7, "ctl", "DecalControls.List", ""},
               {{true, {}}, {false, 95}, {false, {}}}};
  list.AddRow();
  const std::function<void()> actions[] = {
      [&] { list.Data(3, 0, 0); },         [&] { list.Data(0, 1, 0); },
      [&] { list.SetData(-1, 0, 0, {}); }, [&] { list.SetColor(0, -1, 0); },
      [&] { list.InsertRow(2); },          [&] { list.DeleteRow(1); },
      [&] { list.UserClick(0, 5); }};
  for (const auto& action : actions) {
    try {
      action();
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {  // the host's "parameter is incorrect"
      EXPECT_EQ(error.Number(), -2147024809);
      EXPECT_EQ(error.Description(), "The parameter is incorrect.");
      EXPECT_EQ(error.Source(), "DecalControls.List");
    }
  }
  EXPECT_EQ(list.Count(), 1);
}

TEST(SimViewSchemaTest, GivesEachPageItsListWithTheColumns) {
  // Each column as "I" (icon), its fixed width, or "T" (text).
  const std::pair<const char*, const char*> expected[] = {
      {"lstChat", "I 95 T I"},  {"lstMsg", "I 105 T I 0"},  {"lstMbr", "I 112 25 T"},
      {"lstGrp", "I 112 25 T"}, {"lstQst", "I 105 85 T 0"}, {"lstIRC", "I 112 25 T"},
      {"lstUpdate", "I 190 T"}};
  const auto view = SimView::Load(ViewSchema());
  ASSERT_EQ(view->Pages().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const auto& list = view->Pages()[i].list;
    ASSERT_TRUE(list) << i;
    EXPECT_EQ(list, view->ControlByName(expected[i].first)) << expected[i].first;
    std::string columns;
    for (const auto& column : list->Columns())
      columns +=
          (columns.empty() ? "" : " ") + (column.icon          ? std::string("I")
                                          : column.fixed_width ? std::to_string(*column.fixed_width)
                                                               : std::string("T"));
    EXPECT_EQ(columns, expected[i].second) << expected[i].first;
    EXPECT_EQ(list->ColumnCount(), static_cast<std::int32_t>(list->Columns().size()));
  }
}

TEST(SimViewLoadTest, RefusesMalformedXmlAndUnknownProgids) {
  const auto error_of = [](const std::string& xml) {
    try {
      SimView::Load(xml);
      ADD_FAILURE() << "the view was accepted";
    } catch (const Error& error) {
      return error.Description();
    }
    return std::string();
  };
  EXPECT_THAT(error_of(R"(<view title="x"><control name="a")"),
              ::testing::AllOf(HasSubstr("malformed XML"), HasSubstr("offset")));
  EXPECT_THAT(error_of(R"(<view><control name="s" progid="DecalControls.Slider"/></view>)"),
              HasSubstr("DecalControls.Slider"));
  EXPECT_THAT(error_of(R"(<view><control name="l" progid="DecalControls.List">)"
                       R"(<column progid="DecalControls.ButtonColumn"/></control></view>)"),
              HasSubstr("DecalControls.ButtonColumn"));
}

}  // namespace
}  // namespace ostravel::sim

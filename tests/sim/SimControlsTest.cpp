#include <gtest/gtest.h>

#include <functional>

#include "base/Error.h"
#include "sim/SimControls.h"

namespace ostravel::sim {
namespace {

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

}  // namespace
}  // namespace ostravel::sim

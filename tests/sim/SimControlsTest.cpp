#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Error.h"
#include "sim/SimControls.h"

namespace ostravel::sim {
namespace {

using ::testing::ElementsAre;

constexpr std::int32_t kInvalidArg = -2147024809;

ControlInfo Info(const char* progid) {
  return ControlInfo{7, "ctl", progid, ""};
}

// Runs `action`, expecting the host's "parameter is incorrect" error from `progid`.
template <class Action>
void ExpectInvalidArg(Action action, const std::string& progid) {
  try {
    action();
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), kInvalidArg);
    EXPECT_EQ(error.Description(), "The parameter is incorrect.");
    EXPECT_EQ(error.Source(), progid);
  }
}

class SimListTest : public ::testing::Test {
 protected:
  SimList list_{Info("DecalControls.List"), {{true, {}}, {false, 95}, {false, {}}}};
};

TEST_F(SimListTest, RefusesCellsOutsideTheTable) {
  list_.AddRow();
  const std::string progid = "DecalControls.List";
  ExpectInvalidArg([&] { list_.Data(3, 0, 0); }, progid);
  ExpectInvalidArg([&] { list_.Data(0, 1, 0); }, progid);
  ExpectInvalidArg([&] { list_.SetData(-1, 0, 0, {}); }, progid);
  ExpectInvalidArg([&] { list_.SetColor(0, -1, 0); }, progid);
  ExpectInvalidArg([&] { list_.InsertRow(2); }, progid);
  ExpectInvalidArg([&] { list_.DeleteRow(1); }, progid);
  ExpectInvalidArg([&] { list_.UserClick(0, 5); }, progid);
  EXPECT_EQ(list_.Count(), 1);
}

}  // namespace
}  // namespace ostravel::sim

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

TEST(SimControlsTest, UserActionsChangeStateAndRaiseEventsWithTheId) {
  SimNotebook notebook(Info("DecalControls.Notebook"), {"A", "B"});
  SimChoice choice(Info("DecalControls.Choice"), {{"x", {}}, {"y", {}}}, -1);
  SimCheckbox box(Info("DecalControls.Checkbox"), false);
  SimPushButton button(Info("DecalControls.PushButton"));
  std::vector<std::string> events;
  auto log = [&events](std::string what) { events.push_back(std::move(what)); };
  auto c1 = notebook.Change.Connect([&](std::int32_t id, std::int32_t page) {
    log("page " + std::to_string(id) + " " + std::to_string(page));
  });
  auto c2 = choice.Change.Connect([&](std::int32_t id, std::int32_t index) {
    log("choice " + std::to_string(id) + " " + std::to_string(index));
  });
  auto c3 = box.Change.Connect([&](std::int32_t id, bool checked) {
    log("box " + std::to_string(id) + " " + (checked ? "on" : "off"));
  });
  auto c4 = button.Accepted.Connect([&](std::int32_t id) { log("press " + std::to_string(id)); });

  notebook.UserSelect(1);
  choice.UserChoose(1);
  box.UserCheck(true);
  button.UserPress();

  EXPECT_THAT(events, ElementsAre("page 7 1", "choice 7 1", "box 7 on", "press 7"));
  EXPECT_EQ(notebook.ActiveTab(), 1);
  EXPECT_EQ(choice.Selected(), 1);
  EXPECT_TRUE(box.Checked());
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

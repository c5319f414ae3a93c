#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Error.h"
#include "sim/SimControls.h"

namespace ostravel::sim {
namespace {

using host::IsEmpty;
using host::ToText;
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

TEST(SimControlsTest, ProgrammaticChangesRaiseNoEvent) {
  SimCheckbox box(Info("DecalControls.Checkbox"), false);
  SimChoice choice(Info("DecalControls.Choice"), {{"x", {}}}, 0);
  int events = 0;
  auto c1 = box.Change.Connect([&](std::int32_t, bool) { ++events; });
  auto c2 = choice.Change.Connect([&](std::int32_t, std::int32_t) { ++events; });
  box.SetChecked(true);
  choice.SetSelected(-1);
  EXPECT_EQ(events, 0);
}

TEST(SimControlsTest, ChoiceKeepsAddedOptionsAndChecksIndices) {
  SimChoice choice(Info("DecalControls.Choice"), {}, -1);
  choice.AddChoice("Everyone", std::int64_t{42});
  EXPECT_EQ(choice.ChoiceCount(), 1);
  EXPECT_EQ(choice.Text(0), "Everyone");
  EXPECT_EQ(std::get<std::int64_t>(choice.Data(0)), 42);
  choice.SetSelected(0);
  choice.SetSelected(-1);
  ExpectInvalidArg([&] { choice.SetSelected(1); }, "DecalControls.Choice");
  ExpectInvalidArg([&] { choice.SetSelected(-2); }, "DecalControls.Choice");
  ExpectInvalidArg([&] { choice.Text(1); }, "DecalControls.Choice");
  ExpectInvalidArg([&] { choice.Data(-1); }, "DecalControls.Choice");
  EXPECT_EQ(choice.Selected(), -1);
}

TEST(SimControlsTest, NotebookRefusesAPageItLacks) {
  SimNotebook notebook(Info("DecalControls.Notebook"), {"A"});
  int events = 0;
  auto c = notebook.Change.Connect([&](std::int32_t, std::int32_t) { ++events; });
  ExpectInvalidArg([&] { notebook.UserSelect(1); }, "DecalControls.Notebook");
  EXPECT_EQ(events, 0);
  EXPECT_EQ(notebook.ActiveTab(), 0);
}

class SimListTest : public ::testing::Test {
 protected:
  SimList list_{Info("DecalControls.List"), {{true, {}}, {false, 95}, {false, {}}}};
};

TEST_F(SimListTest, NewRowsHaveEmptyCellsInEveryColumn) {
  EXPECT_EQ(list_.AddRow(), 0);
  EXPECT_EQ(list_.AddRow(), 1);
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.Row(1).size(), 3u);
  EXPECT_TRUE(IsEmpty(list_.Data(2, 1, 0)));
  EXPECT_EQ(list_.Color(2, 1), SimList::kDefaultColor);
}

TEST_F(SimListTest, KeepsDataBySubIndexAndColour) {
  list_.AddRow();
  list_.SetData(0, 0, 1, std::int64_t{4660});
  list_.SetData(1, 0, 0, std::string("Ostra"));
  list_.SetColor(1, 0, 0x0000FF);
  EXPECT_EQ(std::get<std::int64_t>(list_.Data(0, 0, 1)), 4660);
  EXPECT_TRUE(IsEmpty(list_.Data(0, 0, 0)));
  EXPECT_EQ(ToText(list_.Data(1, 0, 0)), "Ostra");
  EXPECT_EQ(list_.Color(1, 0), 0x0000FF);
  EXPECT_EQ(list_.Color(0, 0), SimList::kDefaultColor);
}

TEST_F(SimListTest, InsertAndDeleteShiftTheRows) {
  for (const char* text : {"a", "c"}) {
    list_.SetData(1, list_.AddRow(), 0, std::string(text));
  }
  list_.InsertRow(1);
  list_.SetData(1, 1, 0, std::string("b"));
  list_.InsertRow(3);  // at the end is allowed
  EXPECT_EQ(list_.Count(), 4);
  EXPECT_EQ(ToText(list_.Data(1, 2, 0)), "c");
  list_.DeleteRow(0);
  EXPECT_EQ(ToText(list_.Data(1, 0, 0)), "b");
  EXPECT_TRUE(IsEmpty(list_.Data(1, 2, 0)));
  list_.Clear();
  EXPECT_EQ(list_.Count(), 0);
}

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

TEST_F(SimListTest, ClickRaisesChangeWithColumnAndRow) {
  list_.AddRow();
  list_.AddRow();
  std::vector<std::int32_t> args;
  auto c = list_.Change.Connect([&](std::int32_t id, std::int32_t x, std::int32_t y) {
    args = {id, x, y};
  });
  list_.UserClick(2, 1);
  EXPECT_THAT(args, ElementsAre(7, 2, 1));
}

}  // namespace
}  // namespace ostravel::sim

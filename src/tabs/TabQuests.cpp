#include "tabs/TabQuests.h"

#include <array>
#include <string_view>

#include "common/Context.h"
#include "common/OstravelLib.h"
#include "tabs/ListTab.h"
#include "wire/FieldNames.h"

namespace ostravel {
namespace {

// The arguments of the options of "chQst".
constexpr std::array<std::string_view, 4> kEventLists{
    "list nrofdays=1",
    "list nrofdays=7",
    "list",
    "list mine",
};

std::optional<ChoiceRequest> Choose(std::int32_t index) {
  if (index < 0 || index >= static_cast<std::int32_t>(kEventLists.size())) {
    return ChoiceRequest{"", "Draw"};  // none selected: the script's default list
  }
  return ChoiceRequest{std::string(kEventLists[static_cast<std::size_t>(index)]), "Draw"};
}

void DrawEvent(std::string_view line, host::List& list) {
  // With its colon, so that a key that merely contains the word does not match.
  const std::string title = ValFromStr(line, std::string(wire::answer::kEvent) + ":");
  if (title.empty()) return;
  const std::int32_t row = AddIconRow(list, {title, ValFromStr(line, wire::answer::kDate),
                                             ValFromStr(line, wire::answer::kDescription)});
  // The whole line, for the clicks: it is printed, and it names who added the entry.
  list.SetData(4, row, 0, std::string(line));
}

constexpr ListTabLayout kLayout{.module = "TabQuests",
                                .page = 4,
                                .choice = "chQst",
                                .side = "btnQst",
                                .list = "lstQst",
                                .script = wire::script::kEvent};

}  // namespace

struct TabQuests::Impl {
  explicit Impl(Context& context) : tab_(context, kLayout, Behaviour()) {}

  ListTabBehaviour Behaviour() {
    return {.choice = Choose,
            .draw_line = DrawEvent,
            .row_click = [this](std::int32_t nX, std::int32_t nY) { lstQst_Change(nX, nY); },
            .answer = {}};
  }

  void lstQst_Change(std::int32_t nX, std::int32_t nY) {
    const std::string line = tab_.CellText(4, nY);
    if (nX == 0) {
      tab_.Whois(ValFromStr(line, wire::answer::kAddedby));
    } else {
      tab_.Print(line);
    }
  }

  ListTab tab_;
};

TabQuests::TabQuests(Context& ctx) : impl_(std::make_unique<Impl>(ctx)) {}

TabQuests::~TabQuests() = default;

void TabQuests::Refresh() {
  impl_->tab_.Refresh();
}

}  // namespace ostravel

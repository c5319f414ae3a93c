#include "tabs/TabMembers.h"

#include <array>
#include <string_view>

#include "base/Error.h"
#include "common/Context.h"
#include "common/OstravelLib.h"
#include "tabs/ListTab.h"
#include "wire/FieldNames.h"
#include "wire/StaffRoles.h"

namespace ostravel {
namespace {

// The arguments of the member lists, by option of "chMbr"; option 0 depends on the level, and
// the staff roles' lists follow "friends", one per role in the roles' order.
constexpr std::array<std::string_view, 19> kMemberLists{
    "",
    "list online",
    "friends",
    "list online nearby",
    "list online pk",
    "list online lockpick",
    "list online armortinkering",
    "list online weapontinkering",
    "list online magicitemtinkering",
    "list online itemtinkering",
    "list online alchemy",
    "list online cooking",
    "list online fletching",
    "list online level>99",
    "list online level>79 level<101",
    "list online level>59 level<81",
    "list online level>39 level<61",
    "list online level>19 level<41",
    "list online level<21",
};
constexpr std::size_t kFirstRoleList = 3;
constexpr std::size_t kListOptions = kMemberLists.size() + wire::kStaffRoles.size();

std::string ListArgument(std::size_t option) {
  if (option < kFirstRoleList) return std::string(kMemberLists[option]);
  const std::size_t role = option - kFirstRoleList;
  if (role < wire::kStaffRoles.size()) return "list " + std::string(wire::kStaffRoles[role]);
  return std::string(kMemberLists[option - wire::kStaffRoles.size()]);
}

// The online members within 20 levels of `level`, held at 1 to 40 and at 106 and up.
std::string LevelRange(std::int32_t level) {
  if (level < 21) return "list online level<41";
  if (level > 125) return "list online level>105";
  return "list online level>" + std::to_string(level - 21) + " level<" + std::to_string(level + 21);
}

void DrawMember(std::string_view line, host::List& list) {
  const std::string name = ValFromStr(line, wire::answer::kName);
  if (name.empty()) return;
  const std::int32_t row = AddIconRow(list, {name, ValFromStr(line, wire::answer::kLevel),
                                             ValFromStr(line, wire::answer::kTemplate)});
  if (ValFromStr(line, wire::answer::kOnline) == "True") {
    list.SetColor(1, row, kGreen);
    list.SetColor(2, row, 0);
    list.SetColor(3, row, 0);
  }
}

constexpr ListTabLayout kLayout{.module = "TabMembers",
                                .page = 2,
                                .choice = "chMbr",
                                .side = "btnMbr",
                                .list = "lstMbr",
                                .script = wire::script::kMember};

}  // namespace

struct TabMembers::Impl {
  explicit Impl(Context& context) : ctx_(context), tab_(context, kLayout, Behaviour()) {}

  ListTabBehaviour Behaviour() {
    return {.choice = [this](std::int32_t index) { return Choose(index); },
            .draw_line = DrawMember,
            .row_click = [this](std::int32_t nX, std::int32_t nY) { lstMbr_Change(nX, nY); },
            .answer = {}};
  }

  std::optional<ChoiceRequest> Choose(std::int32_t index) const {
    if (index == 0) return ChoiceRequest{LevelRange(Require(ctx_.CharacterStats).Level()), "Draw"};
    if (index < 0 || index >= static_cast<std::int32_t>(kListOptions)) {
      return ChoiceRequest{"", "Draw"};  // none selected: the script's default list
    }
    return ChoiceRequest{ListArgument(static_cast<std::size_t>(index)), "Draw"};
  }

  void lstMbr_Change(std::int32_t nX, std::int32_t nY) {
    if (nX == 0) {
      tab_.Whois(tab_.CellText(1, nY));
    } else if (nX == 1) {
      tab_.TypeTo("/tell", tab_.CellText(1, nY));
    }
  }

  Context& ctx_;
  ListTab tab_;
};

TabMembers::TabMembers(Context& ctx) : impl_(std::make_unique<Impl>(ctx)) {}

TabMembers::~TabMembers() = default;

void TabMembers::Refresh() {
  impl_->tab_.Refresh();
}

}  // namespace ostravel

#include "tabs/TabGroups.h"

#include <array>
#include <string_view>

#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "tabs/ListTab.h"
#include "web/CharPostStrings.h"
#include "wire/FieldNames.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "TabGroups";

// The arguments of the options of "chGrp".
constexpr std::array<std::string_view, 2> kGroupLists{
    "fellowships",
    "list online wantgroup soloplayer",
};

std::optional<ChoiceRequest> Choose(std::int32_t index) {
  if (index < 0 || index >= static_cast<std::int32_t>(kGroupLists.size())) {
    return ChoiceRequest{"", "Draw"};  // none selected: the script's default list
  }
  return ChoiceRequest{std::string(kGroupLists[static_cast<std::size_t>(index)]), "Draw"};
}

// A line can give a fellowship row followed by its leader's row.
void DrawGroup(std::string_view line, host::List& list) {
  const std::string fellowship = ValFromStr(line, wire::answer::kFellowship);
  if (!fellowship.empty()) {
    const std::int32_t row = list.AddRow();
    list.SetData(1, row, 0, fellowship);
    const std::string fellows = ValFromStr(line, wire::answer::kFellows);
    list.SetData(2, row, 0, fellows);
    if (!fellows.empty()) list.SetData(3, row, 0, std::string("fellows"));
  }
  const std::string name = ValFromStr(line, wire::answer::kName);
  if (!name.empty()) {
    AddIconRow(list, {name, ValFromStr(line, wire::answer::kLevel),
                      ValFromStr(line, wire::answer::kTemplate)});
  }
}

constexpr ListTabLayout kLayout{.module = kModule,
                                .page = 3,
                                .choice = "chGrp",
                                .side = "chkGrp",
                                .side_kind = SideControl::kRefreshBox,
                                .list = "lstGrp",
                                .script = wire::script::kMember};

}  // namespace

struct TabGroups::Impl {
  explicit Impl(Context& context) : ctx_(context), tab_(context, kLayout, Behaviour()) {}

  ListTabBehaviour Behaviour() {
    return {.choice = Choose,
            .draw_line = DrawGroup,
            .row_click = [this](std::int32_t nX, std::int32_t nY) { lstGrp_Change(nX, nY); },
            .answer = [this](const std::string&,
                             const std::string& Callback) { return Answer(Callback); }};
  }

  void lstGrp_Change(std::int32_t nX, std::int32_t nY) {
    if (nX == 0) {
      tab_.Whois(tab_.CellText(1, nY));
    } else if (nX == 1) {
      tab_.TypeTo("/tell", tab_.CellText(1, nY));
    }
  }

  bool Answer(const std::string& Callback) {
    // The request that kept a fellowship report waiting has ended: send it now, before
    // anything else can take the web request again.
    if (fellowship_owed_) {
      fellowship_owed_ = false;
      FellowInfoChanged();
    }
    if (Callback != "Refresh") return false;
    tab_.Refresh();
    return true;
  }

  void FellowLeaderChange() {
    ErrorHandler{ctx_, kModule, "FellowLeaderChange"}([&] {
      auto& info = ctx_.FellowshipInfo;
      for (std::int32_t i = 0; i < info.FCount; ++i) {
        const FellowRec& fellow = Fellow(i);
        if (fellow.ID != info.FLeaderID) continue;
        info.LeaderName = fellow.Name;
        info.LeaderLevel = fellow.Level;
        return;
      }
    });
  }

  void ClearFellow() {
    ErrorHandler{ctx_, kModule, "ClearFellow"}([&] {
      auto& info = ctx_.FellowshipInfo;
      info.FName = "0";
      info.FCount = 0;
      info.FLeaderID = 0;
    });
  }

  // Tells the server the fellowship's make-up when this character leads it or has none.
  void FellowInfoChanged() {
    ErrorHandler{ctx_, kModule, "FellowInfoChanged"}([&] {
      const auto& info = ctx_.FellowshipInfo;
      if (ctx_.CharacterID != info.FLeaderID && info.FCount != 0) return;
      if (tab_.Busy()) {
        // The web request drops a post while busy; the server would keep a stale fellowship.
        fellowship_owed_ = true;
        return;
      }
      tab_.PostBody(wire::script::kFellowship, FellowPostString(ctx_), "Refresh");
    });
  }

  FellowRec& Fellow(std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(kFellowCapacity)) {
      throw Error(error_number::kSubscriptOutOfRange, "Subscript out of range");
    }
    return ctx_.Fellows[static_cast<std::size_t>(index)];
  }

  Context& ctx_;
  ListTab tab_;
  // A fellowship report is waiting for the page's request in flight to end.
  bool fellowship_owed_ = false;
};

TabGroups::TabGroups(Context& ctx) : impl_(std::make_unique<Impl>(ctx)) {}

TabGroups::~TabGroups() = default;

void TabGroups::Refresh() {
  impl_->tab_.Refresh();
}

void TabGroups::FellowCreate(std::int32_t FCount, std::int32_t FLeaderID, const std::string& FName,
                             bool FState, bool FXpShare) {
  ErrorHandler{impl_->ctx_, kModule, "FellowCreate"}([&] {
    auto& info = impl_->ctx_.FellowshipInfo;
    bool changed = false;
    if (info.FCount != FCount) {
      info.FCount = FCount;
      changed = true;
    }
    if (info.FLeaderID != FLeaderID) {
      info.FLeaderID = FLeaderID;
      impl_->FellowLeaderChange();
      changed = true;
    }
    if (info.FName != FName) {
      info.FName = FName;
      changed = true;
    }
    if (info.FState != FState) {
      info.FState = FState;
      changed = true;
    }
    if (info.FXpShare != FXpShare) {
      info.FXpShare = FXpShare;
      changed = true;
    }
    if (changed) impl_->FellowInfoChanged();
  });
}

void TabGroups::FellowAdd(std::int32_t ID, const std::string& Name, std::int32_t Level,
                          std::int32_t Health, std::int32_t Stam, std::int32_t Mana,
                          std::int32_t& index) {
  ErrorHandler{impl_->ctx_, kModule, "FellowAdd"}([&] {
    auto& info = impl_->ctx_.FellowshipInfo;
    if (ID == info.FLeaderID) {
      info.LeaderName = Name;
      info.LeaderLevel = Level;
    }
    impl_->Fellow(index) = FellowRec{ID, Name, Level, Health, Stam, Mana};
  });
}

void TabGroups::FellowMemberQuit(std::int32_t ID) {
  ErrorHandler{impl_->ctx_, kModule, "FellowMemberQuit"}([&] {
    if (ID == impl_->ctx_.CharacterID) impl_->ClearFellow();
    impl_->FellowInfoChanged();
  });
}

void TabGroups::FellowMemberDismiss(std::int32_t ID) {
  ErrorHandler{impl_->ctx_, kModule, "FellowMemberDismiss"}([&] {
    if (ID == impl_->ctx_.CharacterID) impl_->ClearFellow();
    impl_->FellowInfoChanged();
  });
}

void TabGroups::FellowDisband() {
  ErrorHandler{impl_->ctx_, kModule, "FellowDisband"}([&] {
    impl_->ClearFellow();
    impl_->FellowInfoChanged();
  });
}

}  // namespace ostravel

#include "tabs/TabMessages.h"

#include <array>
#include <string_view>

#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "tabs/ListTab.h"
#include "tabs/ReceivedDate.h"
#include "web/WebRequest.h"
#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "TabMessages";
constexpr std::int32_t kPage = 1;
constexpr std::int32_t kNewMessages = 0;

// The requests of the options of "chMsg".
const std::array<ChoiceRequest, 3> kMessageLists{{
    {"inbox new", "PrintNew"},
    {"inbox read", "Draw"},
    {"outbox", "Draw"},
}};

void DrawMessage(std::string_view line, host::List& list) {
  std::string correspondent = ValFromStr(line, wire::answer::kFrom);
  if (correspondent.empty()) correspondent = ValFromStr(line, wire::answer::kTo);  // a sent one
  if (correspondent.empty()) return;
  const std::int32_t row =
      AddIconRow(list, {correspondent, ValFromStr(line, wire::answer::kSample)});
  list.SetData(3, row, kIconSub, kDeleteIcon);
  list.SetData(4, row, kTextSub, ValFromStr(line, wire::answer::kMsgID));
}

constexpr ListTabLayout kLayout{.module = kModule,
                                .page = kPage,
                                .choice = "chMsg",
                                .side = "btnMsg",
                                .list = "lstMsg",
                                .script = wire::script::kMessage,
                                .refresh_on_login = true};

}  // namespace

struct TabMessages::Impl {
  explicit Impl(Context& context) : ctx_(context), tab_(context, kLayout, Behaviour()) {}

  ListTabBehaviour Behaviour() {
    return {.choice = Choose,
            .draw_line = DrawMessage,
            .row_click = [this](std::int32_t nX, std::int32_t nY) { lstMsg_Change(nX, nY); },
            .answer = [this](const std::string& Response,
                             const std::string& Callback) { return Answer(Response, Callback); }};
  }

  // Unlike the other pages, an option outside the table asks for nothing.
  static std::optional<ChoiceRequest> Choose(std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(kMessageLists.size())) return std::nullopt;
    return kMessageLists[static_cast<std::size_t>(index)];
  }

  void lstMsg_Change(std::int32_t nX, std::int32_t nY) {
    switch (nX) {
      case 0:
        tab_.Whois(tab_.CellText(1, nY));
        break;
      case 1:
        tab_.TypeTo("/message", tab_.CellText(1, nY));
        break;
      case 2:  // the message text is printed, then the list is asked for again
        tab_.PostArgs(wire::script::kMessage, "read " + tab_.CellText(4, nY), "PrintAndRefresh");
        break;
      case 3:
        tab_.PostArgs(wire::script::kMessage, "delete " + tab_.CellText(4, nY), "PrintAndRefresh");
        break;
      default:
        break;
    }
  }

  bool Answer(const std::string& Response, const std::string& Callback) {
    if (Callback == "PrintAndRefresh") {
      tab_.Print(Response);
      tab_.Refresh();
      return true;
    }
    if (Callback == "PrintNew") {
      PrintNew(Response);
      return true;
    }
    return false;
  }

  // Announces the messages received after the newest one announced so far. A date that cannot
  // be read ends the handling of the whole answer: nothing is announced or drawn.
  void PrintNew(const std::string& Response) {
    std::int32_t count = 0;
    platform::DateTime newest = kZeroDate;
    for (const std::string_view line : wire::SplitRecords(Response)) {
      const std::string received = ValFromStr(line, wire::answer::kRecieved);
      if (received.empty()) continue;
      const auto date = ReadReceivedDate(received);
      if (!date) throw Error(error_number::kTypeMismatch, "Type mismatch");
      if (!IsLater(*date, LastReceived)) continue;
      ++count;
      if (IsLater(*date, newest)) newest = *date;
    }
    if (count > 0) {
      tab_.Print("You have " + std::to_string(count) + " new message(s)");
      LastReceived = newest;
    }
    if (tab_.SelectedIndex() == kNewMessages) tab_.DrawTab(Response);
  }

  void MessageTrigger() {
    ErrorHandler{ctx_, kModule, "MessageTrigger"}([&] {
      if (tab_.ActivePage() == kPage && ctx_.LoggedIn) {
        tab_.Refresh();
        return;
      }
      tab_.PostArgs(wire::script::kMessage, "inbox new", "PrintNew");
    });
  }

  Context& ctx_;
  ListTab tab_;
  // The newest receipt time announced by this object.
  platform::DateTime LastReceived = kZeroDate;
};

TabMessages::TabMessages(Context& ctx) : impl_(std::make_unique<Impl>(ctx)) {}

TabMessages::~TabMessages() = default;

void TabMessages::Refresh() {
  impl_->tab_.Refresh();
}

void TabMessages::MessageTrigger() {
  impl_->MessageTrigger();
}

}  // namespace ostravel

#include "tabs/ListTab.h"

#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "host/View.h"
#include "tabs/ServicePost.h"
#include "web/CharPostStrings.h"
#include "web/WebRequest.h"

namespace ostravel {

ListTab::ListTab(Context& ctx, const ListTabLayout& layout, ListTabBehaviour behaviour)
    : ctx_(ctx),
      layout_(layout),
      behaviour_(std::move(behaviour)),
      click_procedure_(std::string(layout.list) + "_Change"),
      button_procedure_(std::string(layout.side) + "_Accepted") {
  Class_Initialize();
}

ListTab::~ListTab() = default;

void ListTab::Class_Initialize() {
  // Each step reports its own failure and the next one still runs: a page that lacks one
  // control keeps working with the others.
  ErrorHandler step{ctx_, layout_.module, "Class_Initialize"};
  step([&] { view_activate_ = Require(ctx_.MainView).Activate.Connect([this] { Refresh(); }); });
  if (layout_.refresh_on_login) {
    step([&] {
      filter_login_ = Require(ctx_.CharacterStats).LoginComplete.Connect([this] { Refresh(); });
    });
  }
  step([&] {
    request_ = std::make_unique<WebRequest>(ctx_);
    request_response_ = request_->Response.Connect(
        [this](const std::string& Response, const std::string& Callback) {
          WebRequest_Response(Response, Callback);
        });
  });
  step([&] {
    nbMain_ = host::GetControl<host::Notebook>(Require(ctx_.MainView), "nbMain");
    notebook_change_ = nbMain_->Change.Connect([this](std::int32_t, std::int32_t) { Refresh(); });
  });
  step([&] {
    choice_ = host::GetControl<host::Choice>(Require(ctx_.MainView), std::string(layout_.choice));
    choice_change_ = choice_->Change.Connect([this](std::int32_t, std::int32_t) { Refresh(); });
  });
  step([&] { ConnectSide(Require(ctx_.MainView)); });
  step([&] {
    list_ = host::GetControl<host::List>(Require(ctx_.MainView), std::string(layout_.list));
    list_change_ = list_->Change.Connect(
        [this](std::int32_t, std::int32_t nX, std::int32_t nY) { List_Change(nX, nY); });
  });
}

void ListTab::ConnectSide(host::View& view) {
  const std::string name(layout_.side);
  if (layout_.side_kind == SideControl::kHelpButton) {
    auto button = host::GetControl<host::PushButton>(view, name);
    side_change_ = button->Accepted.Connect([this](std::int32_t) { HelpButton_Accepted(); });
    side_ = std::move(button);
  } else {
    auto box = host::GetControl<host::Checkbox>(view, name);
    side_change_ = box->Change.Connect([this](std::int32_t, bool) { Refresh(); });
    side_ = std::move(box);
  }
}

void ListTab::Refresh() {
  ErrorHandler{ctx_, layout_.module, "Refresh"}([&] {
    // Hidden pages and a character not yet logged in cause no traffic.
    if (ActivePage() != layout_.page || !ctx_.LoggedIn) return;
    const auto request = behaviour_.choice(SelectedIndex());
    if (!request) return;
    PostArgs(layout_.script, request->argument, request->callback);
  });
}

void ListTab::DrawTab(std::string_view Response) {
  // Leaves at the first error: the rows drawn so far stay.
  ErrorHandler{ctx_, layout_.module, "DrawTab"}([&] {
    auto& list = Require(list_);
    list.Clear();
    ForEachLine(Response, [&](std::string_view line) { behaviour_.draw_line(line, list); });
  });
}

void ListTab::PostArgs(std::string_view script, std::string_view args,
                       const std::string& callback) {
  ostravel::PostArgs(ctx_, Require(request_), script, args, callback);
}

void ListTab::PostBody(std::string_view script, const wire::FormBody& body,
                       const std::string& callback) {
  Require(request_).Post(ServerURL(ctx_) + std::string(script), body, callback);
}

void ListTab::Whois(std::string_view name) {
  PostWhois(ctx_, Require(request_), name, "Print");
}

void ListTab::TypeTo(std::string_view command, std::string_view name) {
  std::string line(command);
  line += ' ';
  line += name;
  line += ", ";
  TypeText(ctx_, line, 0);
}

void ListTab::Print(std::string_view text) {
  PrintChat(ctx_, text, kChatColor, true);
}

std::string ListTab::CellText(std::int32_t column, std::int32_t row) const {
  return host::ToText(Require(list_).Data(column, row, 0));
}

std::int32_t ListTab::ActivePage() const {
  return Require(nbMain_).ActiveTab();
}

std::int32_t ListTab::SelectedIndex() const {
  return Require(choice_).Selected();
}

bool ListTab::Busy() const {
  return request_ && request_->ReadyState() != 0;
}

void ListTab::WebRequest_Response(const std::string& Response, const std::string& Callback) {
  // No error handler here: an error while handling an answer belongs to the answer's delivery
  // and is reported by the web request that delivers it.
  if (behaviour_.answer && behaviour_.answer(Response, Callback)) return;
  if (Callback == "Print") {
    Print(Response);
  } else if (Callback == "Draw") {
    DrawTab(Response);
  }
}

void ListTab::List_Change(std::int32_t nX, std::int32_t nY) {
  ErrorHandler{ctx_, layout_.module, click_procedure_}([&] { behaviour_.row_click(nX, nY); });
}

void ListTab::HelpButton_Accepted() {
  // The host must not see an error; it is reported under the button's own event.
  ErrorHandler{ctx_, layout_.module,
               button_procedure_}([&] { PostArgs(layout_.script, "", "Print"); });
}

std::int32_t AddIconRow(host::List& list, std::initializer_list<std::string_view> texts) {
  const std::int32_t row = list.AddRow();
  list.SetData(0, row, 1, kRowIcon);
  std::int32_t column = 1;
  for (std::string_view text : texts) list.SetData(column++, row, 0, std::string(text));
  return row;
}

}  // namespace ostravel

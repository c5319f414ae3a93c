#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/ListIcons.h"
#include "host/Controls.h"
#include "host/Signal.h"
#include "wire/FormBody.h"

namespace ostravel::host {
class View;
}

namespace ostravel {

struct Context;
class WebRequest;

// Names of online members (0x00BBGGRR).
inline constexpr std::int32_t kGreen = 0x00FF00;

// What one option of a page's choice asks the server for.
struct ChoiceRequest {
  std::string argument;  // the text after "&args="
  std::string callback;  // the name the answer comes back under
};

// The control beside a page's choice: a "?" button that asks the script for its help text,
// or a check box whose change refreshes the page.
enum class SideControl { kHelpButton, kRefreshBox };

// The names and numbers that place one list page in the view.
struct ListTabLayout {
  std::string_view module;  // the module name of its error reports
  std::int32_t page = -1;   // its notebook page
  std::string_view choice;  // control names
  std::string_view side;
  SideControl side_kind = SideControl::kHelpButton;
  std::string_view list;
  std::string_view script;        // the server script of its lists
  bool refresh_on_login = false;  // refresh when the character has logged in
};

// What is particular to one page.
struct ListTabBehaviour {
  // The request of a choice index; nullopt posts nothing.
  std::function<std::optional<ChoiceRequest>(std::int32_t index)> choice;
  // Adds the rows of one answer line; a line without the page's leading key adds none.
  std::function<void(std::string_view line, host::List& list)> draw_line;
  // A click on the cell in column nX of row nY.
  std::function<void(std::int32_t nX, std::int32_t nY)> row_click;
  // Sees every answer first; true when it took it. "Print" and "Draw" are handled here.
  std::function<bool(const std::string& Response, const std::string& Callback)> answer;
};

// A page of the main view that shows lists from the web service: it takes its controls from
// the view, refreshes when the view or the page shows or the choice changes (only while its
// page shows and the character is logged in), posts the chosen list's request through its own
// WebRequest, and draws the answer one row per qualifying line.
class ListTab {
 public:
  // Takes the controls from the view; a control it cannot have is reported and the rest are
  // still taken.
  ListTab(Context& ctx, const ListTabLayout& layout, ListTabBehaviour behaviour);
  ~ListTab();
  ListTab(const ListTab&) = delete;
  ListTab& operator=(const ListTab&) = delete;

  // Posts the chosen list's request if the page shows and the character is logged in.
  void Refresh();
  // Clears the list and adds the rows of every line of the answer.
  void DrawTab(std::string_view Response);

  // Posts StdPostString() + "&args=" + args to the script; throws Error when it cannot.
  void PostArgs(std::string_view script, std::string_view args, const std::string& callback);
  // Posts a whole body to the script; throws Error when it cannot.
  void PostBody(std::string_view script, const wire::FormBody& body, const std::string& callback);
  // Asks "member.php" who `name` is; the answer is printed.
  void Whois(std::string_view name);
  // Places command + " " + name + ", " into the chat input line.
  void TypeTo(std::string_view command, std::string_view name);
  // Prints a text into chat the way server answers are printed.
  void Print(std::string_view text);

  // The text of a cell of the list (sub-index 0).
  std::string CellText(std::int32_t column, std::int32_t row) const;
  // The notebook's active page and the choice's selected index; throw Error without them.
  std::int32_t ActivePage() const;
  std::int32_t SelectedIndex() const;
  // Whether the page's request is still waiting for its answer.
  bool Busy() const;

 private:
  void Class_Initialize();
  void ConnectSide(host::View& view);
  void WebRequest_Response(const std::string& Response, const std::string& Callback);
  void List_Change(std::int32_t nX, std::int32_t nY);
  void HelpButton_Accepted();

  Context& ctx_;
  ListTabLayout layout_;
  ListTabBehaviour behaviour_;
  // Procedure names of the page's own handlers: "lstMbr_Change", "btnMbr_Accepted".
  std::string click_procedure_;
  std::string button_procedure_;

  std::unique_ptr<WebRequest> request_;
  std::shared_ptr<host::Notebook> nbMain_;
  std::shared_ptr<host::Choice> choice_;
  std::shared_ptr<host::Control> side_;
  std::shared_ptr<host::List> list_;

  // Last, so that they are dropped first: no handler runs on a half-destroyed page.
  host::Connection view_activate_;
  host::Connection filter_login_;
  host::Connection request_response_;
  host::Connection notebook_change_;
  host::Connection choice_change_;
  host::Connection side_change_;
  host::Connection list_change_;
};

// Adds a row with the row icon in column 0 and `texts` in columns 1 onward; returns its index.
std::int32_t AddIconRow(host::List& list, std::initializer_list<std::string_view> texts);

}  // namespace ostravel

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/AsioHttpServer.h"
#include "support/PluginHarness.h"
#include "tabs/TabGroups.h"
#include "tabs/TabMembers.h"
#include "tabs/TabMessages.h"
#include "tabs/TabQuests.h"

namespace ostravel::test {

// The sample character's standard fields as the server receives them (no fellowship, not
// enlisted).
inline constexpr const char* kStandardFields =
    "CID=1342177295&MID=0&Location=2103705619&Localtime=12%2F6%2F2026+6%3A37%3A19+AM&FLID=0"
    "&WantFellowship=0";

// The plug-in loaded into the simulated host and pointed at a recording server, with the
// character logged in, for driving the list pages as the player does.
class TabWorld {
 public:
  explicit TabWorld(sim::CharacterProfile profile = sim::SampleProfile());
  // For tests that make one page on their own: the host's objects published as the plug-in's
  // start does, the sample character named but not logged in, and `rest` in the settings file.
  explicit TabWorld(const std::string& rest);

  Context& State() { return harness.State(); }
  std::filesystem::path SettingsPath() const { return harness.env.folder.Path() / "Ostravel.xml"; }
  // The plug-in's own list pages.
  TabMessages& Messages() { return *harness.plugin.MessagesTab(); }
  TabMembers& Members() { return *harness.plugin.MembersTab(); }
  TabGroups& Groups() { return *harness.plugin.GroupsTab(); }
  TabQuests& Quests() { return *harness.plugin.QuestsTab(); }

  template <class T>
  std::shared_ptr<T> Control(const std::string& name) {
    return std::dynamic_pointer_cast<T>(harness.host.View()->Find(name));
  }
  std::shared_ptr<sim::SimList> List(const std::string& name) {
    return Control<sim::SimList>(name);
  }

  // The page or option shows without raising the control's event.
  void SetPage(std::int32_t page) { harness.host.View()->MainNotebook()->SetActiveTab(page); }
  void SetChoice(const std::string& choice, std::int32_t index) {
    Control<sim::SimChoice>(choice)->SetSelected(index);
  }

  // The player's actions, each followed by waiting for the answers.
  void ShowPage(std::int32_t page) {
    harness.host.View()->MainNotebook()->UserSelect(page);
    Settle();
  }
  void Choose(const std::string& choice, std::int32_t index) {
    Control<sim::SimChoice>(choice)->UserChoose(index);
    Settle();
  }
  void Click(const std::string& list, std::int32_t column, std::int32_t row) {
    List(list)->UserClick(column, row);
    Settle();
  }
  void Settle() { harness.env.Settle(); }

  // What happened since the last Forget(): requests as "script body" (the script without its
  // leading "/"), chat texts, lines typed into the chat input, and the error lines of the log.
  std::vector<std::string> Sent() const;
  std::vector<std::string> Chat() const { return harness.ChatTexts(); }
  std::vector<std::string> Typed() const { return Effects(sim::Effect::Kind::kTypeText); }
  // The texts of the host effects of one kind, in order.
  std::vector<std::string> Effects(sim::Effect::Kind kind) const;
  std::vector<std::string> Errors() const;
  void Forget();

  // The rows of a list, one text per row: its cells joined by "|", an icon as "#" + number.
  std::vector<std::string> Rows(const std::string& list);

  AsioHttpServer server;
  PluginHarness harness;

  std::size_t sent_baseline_ = 0;
  std::size_t log_baseline_ = 0;
};

// `script` and a body of the standard fields with `args` as HTTPEncoder writes them; a "%" in
// `args` stands for itself, so an escaped value can be written as the server receives it.
std::string Request(const std::string& script, const std::string& args,
                    const std::string& fields = kStandardFields);

}  // namespace ostravel::test

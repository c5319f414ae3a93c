#pragma once

#include <memory>

namespace ostravel {

struct Context;

// The "Qst" page: quests and events from "event.php".
class TabQuests {
 public:
  explicit TabQuests(Context& ctx);
  ~TabQuests();
  TabQuests(const TabQuests&) = delete;
  TabQuests& operator=(const TabQuests&) = delete;

  // Asks for the chosen list while the page shows and the character is logged in.
  void Refresh();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel

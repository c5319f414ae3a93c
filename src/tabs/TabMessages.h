#pragma once

#include <memory>

namespace ostravel {

struct Context;

// The "Msg" page: offline messages from "message.php" and the notice of new ones.
class TabMessages {
 public:
  explicit TabMessages(Context& ctx);
  ~TabMessages();
  TabMessages(const TabMessages&) = delete;
  TabMessages& operator=(const TabMessages&) = delete;

  // Asks for the chosen list while the page shows and the character is logged in.
  void Refresh();
  // The post timer's minute: refresh the page, or else only ask for new messages.
  void MessageTrigger();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel

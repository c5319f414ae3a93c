#pragma once

#include <memory>
#include <string>

#include "host/Controls.h"
#include "host/Signal.h"

namespace ostravel {

struct Context;
class WebRequest;

// The "Update" page: sends the character record to "update.php" and lists the server's
// answer. Its two check boxes ("Share info", "Auto update") are kept per character in the
// settings file.
class TabUpdate {
 public:
  explicit TabUpdate(Context& ctx);
  // Saves the check boxes when the settings were loaded.
  ~TabUpdate();
  TabUpdate(const TabUpdate&) = delete;
  TabUpdate& operator=(const TabUpdate&) = delete;

  // Sends the character record while logged in; the answer is drawn, and printed as well
  // when `PrintToChat` is set.
  void Update(bool PrintToChat = false);
  // The character logs off: one last update.
  void PlayerLogoff();
  // The first allegiance message after login sends one update in the tab's life.
  void TabUpdateAllegiance();
  // Loads this character's check boxes (called at login, once the name is known).
  void LoadSettings();
  // Whether "Auto update" is ticked (read by the post timer).
  bool AutoUpdateChecked() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel

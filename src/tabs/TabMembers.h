#pragma once

#include <memory>

namespace ostravel {

struct Context;

// The "Mbr" page: 25 member lists from "member.php", online members in green.
class TabMembers {
 public:
  explicit TabMembers(Context& ctx);
  ~TabMembers();
  TabMembers(const TabMembers&) = delete;
  TabMembers& operator=(const TabMembers&) = delete;

  // Asks for the chosen list while the page shows and the character is logged in.
  void Refresh();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel

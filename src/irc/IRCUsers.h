#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <ranges>
#include <string>
#include <string_view>

#include "irc/IRCUser.h"

namespace ostravel {

// The users of one channel, sorted by upper-cased nick, each nick (compared without regard to
// case) at most once. Kept in a tree, so that a name reply of thousands of users in any order
// costs a logarithmic search per user, not a walk.
class IRCUsers {
 public:
  // Adds a user; a leading "@" or "+" (the channel mode marks) is dropped from the nick. A nick
  // already present is not added again; the new record is returned either way.
  std::shared_ptr<IRCUser> Add(std::string_view NickName);
  // The user with that nick (any letter case); throws Error when there is none.
  std::shared_ptr<IRCUser> Item(std::string_view key) const;
  std::int32_t Count() const { return static_cast<std::int32_t>(users_.size()); }
  // Removes the user when present; either way the list counts as changed.
  void Remove(std::string_view key);
  void Clear();
  bool Exists(std::string_view key) const;

  // The users in order.
  auto Members() const { return std::views::values(users_); }

  // Set by every Add, Remove and Clear; the IRC page redraws and clears it.
  bool UsersChanged = false;

 private:
  std::map<std::string, std::shared_ptr<IRCUser>, std::less<>> users_;  // by upper-cased nick
};

}  // namespace ostravel

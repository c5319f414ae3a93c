#include "irc/IRCUsers.h"

#include <algorithm>
#include <cctype>

#include "base/AsciiText.h"
#include "base/Error.h"

namespace ostravel {

std::shared_ptr<IRCUser> IRCUsers::Add(std::string_view NickName) {
  auto user = std::make_shared<IRCUser>();
  if (!NickName.empty() && (NickName.front() == '@' || NickName.front() == '+')) {
    NickName.remove_prefix(1);
  }
  user->NickName = std::string(NickName);
  users_.try_emplace(UpperCase(NickName), user);
  UsersChanged = true;
  return user;
}

std::shared_ptr<IRCUser> IRCUsers::Item(std::string_view key) const {
  const auto found = users_.find(UpperCase(key));
  if (found == users_.end()) {
    throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
  }
  return found->second;
}

void IRCUsers::Remove(std::string_view key) {
  users_.erase(UpperCase(key));
  UsersChanged = true;
}

void IRCUsers::Clear() {
  users_.clear();
  UsersChanged = true;
}

bool IRCUsers::Exists(std::string_view key) const {
  return users_.contains(UpperCase(key));
}

}  // namespace ostravel

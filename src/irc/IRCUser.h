#pragma once

#include <string>

namespace ostravel {

// One user in one channel.
struct IRCUser {
  std::string NickName;  // without a leading "@" or "+"
  bool Op = false;
  bool Voice = false;
};

}  // namespace ostravel

#pragma once

#include <cstdint>
#include <string>

#include "irc/IRCUsers.h"

namespace ostravel {

// One channel of one server.
struct IRCChannel {
  IRCUsers Users;
  std::string ChannelName;  // with its leading "#"
  std::string Command;      // the chat word that sends game chat here, without "@"
  std::int32_t ColorCode = 0;
  bool Join = false;  // wanted: joined at connection time, and chat is sent to it
};

}  // namespace ostravel

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
  std::string Key;    // the channel key sent with JOIN, "" for none

  // What the server said: the own JOIN arrived (and no PART, KICK or end of the connection
  // since), or why the last attempt to join was refused.
  bool Joined = false;
  std::string Refusal;
};

}  // namespace ostravel

#pragma once

#include <optional>
#include <string_view>

namespace ostravel {

// The numeric replies the plug-in reads, under their RFC 1459/2812 names (477 and 489 under the
// meaning today's servers give them).
enum class Numeric : int {
  RPL_WELCOME = 1,
  RPL_ISUPPORT = 5,
  RPL_WHOISUSER = 311,
  RPL_TOPIC = 332,
  RPL_NAMREPLY = 353,
  RPL_ENDOFMOTD = 376,
  ERR_NOSUCHNICK = 401,
  ERR_NOSUCHCHANNEL = 403,
  ERR_CANNOTSENDTOCHAN = 404,
  ERR_TOOMANYCHANNELS = 405,
  ERR_NOMOTD = 422,
  ERR_ERRONEUSNICKNAME = 432,
  ERR_NICKNAMEINUSE = 433,
  ERR_NICKCOLLISION = 436,
  ERR_UNAVAILRESOURCE = 437,
  ERR_NOTONCHANNEL = 442,
  ERR_CHANNELISFULL = 471,
  ERR_INVITEONLYCHAN = 473,
  ERR_BANNEDFROMCHAN = 474,
  ERR_BADCHANNELKEY = 475,
  ERR_NEEDREGGEDNICK = 477,
  ERR_SECUREONLYCHAN = 489,
};

// The numeric a command stands for: exactly three digits ("001", never "1" or "0001"), as a
// server writes them.
constexpr std::optional<Numeric> ReadNumeric(std::string_view command) {
  if (command.size() != 3) return std::nullopt;
  int value = 0;
  for (const char digit : command) {
    if (digit < '0' || digit > '9') return std::nullopt;
    value = value * 10 + (digit - '0');
  }
  return static_cast<Numeric>(value);
}

}  // namespace ostravel

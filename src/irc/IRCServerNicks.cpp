// The nick policy: the character's nick first, a cut one when the server finds it too long, and
// numbered fallbacks when it is taken.
#include "base/AsciiText.h"
#include "common/OstravelLib.h"
#include "irc/IRCFormatting.h"
#include "irc/IRCServer.h"

namespace ostravel {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The next nick to try after `nick` was refused as taken: a last digit counts up, anything else
// gets "-2". With a known length limit the suffix replaces the tail, so the nick never grows
// past what the server takes.
std::string FallbackNick(const std::string& nick, std::size_t limit) {
  std::string next = nick;
  if (!next.empty() && IsDigit(next.back())) {
    const int digit = next.back() - '0';
    next.pop_back();
    next += std::to_string(digit + 1);
  } else {
    next += "-2";
  }
  if (limit == 0 || next.size() <= limit) return next;
  std::size_t tail = next.size();
  while (tail > 0 && IsDigit(next[tail - 1])) --tail;
  if (tail > 0 && next[tail - 1] == '-') --tail;
  const std::string suffix = next.substr(tail);
  next.resize(limit > suffix.size() ? limit - suffix.size() : 0);
  return next + suffix;
}

}  // namespace

bool IRCServer::IsOwnNick(std::string_view nick) const {
  return !nick.empty() && EqualsIgnoreCase(nick, NickName);
}

void IRCServer::SendNick(const std::string& nick) {
  NickName = nick;
  assigned_nick_ = nick;
  // Bare: RFC 2812 section 2.3 lets a client's prefix be only its registered nick, and a server
  // silently ignores a line whose prefix it cannot find; before registration there is none.
  SendMessage("NICK " + NickName);
}

void IRCServer::Parser_RPLWelcome(std::string_view Nick) {
  if (Nick.empty()) return;
  NickName = std::string(Nick);
  assigned_nick_ = NickName;
}

void IRCServer::Parser_ERRNickNameInUse() {
  if (++nick_tries_ > kMaxNickTries) {
    Drop("* The nick " + preferred_nick_ + " and " + std::to_string(kMaxNickTries) +
             " others are taken on " + ServerName + "; not connected",
         false);
    return;
  }
  SendNick(FallbackNick(NickName, nick_limit_));
}

void IRCServer::Parser_ERRErroneousNickName(std::string_view Nick, std::string_view Text) {
  // The first NICK goes out before the server has told its limits: too long is the usual
  // reason, and every server takes the RFC's nine characters.
  if (NickName.size() > kSafeNickLength) {
    nick_limit_ = kSafeNickLength;
    SendNick(NickName.substr(0, kSafeNickLength));
    return;
  }
  Drop("* " + ServerName + " refuses the nick " + std::string(Nick) + " (" + StripFormatting(Text) +
           "); not connected",
       false);
}

}  // namespace ostravel

#include "irc/IRCParser.h"

#include <algorithm>
#include <cctype>

#include "common/AsciiText.h"
#include "common/Context.h"
#include "common/Error.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "platform/CodePage.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "IRCParser";
constexpr char kCtcp = '\x01';
using Report = ErrorHandler::Report;

bool EqualsUpper(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != upper[i]) return false;
  }
  return true;
}

// The fields of a line, each cut as Part cuts it.
std::string_view PrefixNick(std::string_view prefix) {
  return CutBetween(prefix, "", "!");
}
std::string_view FirstWord(std::string_view params) {
  return CutBetween(params, "", " ");
}
std::string_view Trailing(std::string_view params) {
  return CutBetween(params, ":", "");
}

// "#" and what follows the first "#" up to `end` ("" for the end of the text).
std::string ChannelAfterHash(std::string_view params, std::string_view end) {
  return "#" + std::string(CutBetween(params, "#", end));
}

bool IsCtcp(std::string_view message) {
  return !message.empty() && message.front() == kCtcp && message.back() == kCtcp;
}

std::vector<std::string_view>& SplitAtSpaces(std::string_view text,
                                             std::vector<std::string_view>& parts) {
  parts.clear();
  if (text.empty()) return parts;
  std::size_t start = 0;
  for (std::size_t at = text.find(' '); at != std::string_view::npos; at = text.find(' ', start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

IRCParser::IRCParser(Context& ctx, Events& events) : ctx_(ctx), events_(events) {}

void IRCParser::Parse(std::string_view strData) {
  ErrorHandler{ctx_, kModule, "Parse", Report::kLogOnly}([&] {
    const char* data = strData.data();
    const std::size_t size = strData.size();
    std::size_t start = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const char c = data[i];
      if (static_cast<unsigned char>(c) > '\r' || (c != '\r' && c != '\n')) continue;
      std::string_view line = strData.substr(start, i - start);
      if (!pending_.empty()) {
        // The line began in an earlier chunk.
        joined_.assign(pending_).append(line);
        pending_.clear();
        line = joined_;
      }
      if (c == '\r' && i + 1 < size && data[i + 1] == '\n') ++i;
      start = i + 1;
      if (!line.empty()) HandleLine(line);
    }
    pending_.append(strData.substr(start));
  });
}

void IRCParser::HandleLine(std::string_view bytes) {
  if (platform::IsValidUtf8(bytes)) return ParseMessage(bytes);
  decoded_ = ctx_.env.code_page.ToUtf8(bytes);
  ParseMessage(decoded_);
}

void IRCParser::ParseMessage(std::string_view line) {
  ErrorHandler{ctx_, kModule, "ParseMessage", Report::kLogOnly}([&] {
    line = TrimSpaces(line);
    std::string_view prefix;
    if (!line.empty() && line.front() == ':') {
      const std::size_t space = line.find(' ');
      if (space == std::string_view::npos)
        throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
      prefix = TrimSpaces(line.substr(1, space - 1));
      line = TrimSpaces(line.substr(space));
    }
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
      throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
    const std::string_view command = TrimSpaces(line.substr(0, space));
    const std::string_view params = TrimSpaces(line.substr(space));
    IRCCommand(prefix, command, params);
  });
}

void IRCParser::IRCCommand(std::string_view prefix, std::string_view command,
                           std::string_view params) {
  ErrorHandler{ctx_, kModule, "IRCCommand", Report::kLogOnly}([&] {
    if (EqualsUpper(command, "PRIVMSG")) return PrivMsg(prefix, params);
    if (EqualsUpper(command, "PING")) return events_.Parser_Ping(params);
    if (EqualsUpper(command, "NICK")) {
      std::string new_nick(params);
      std::erase(new_nick, ':');
      return events_.Parser_Nick(PrefixNick(prefix), new_nick);
    }
    if (EqualsUpper(command, "QUIT")) return events_.Parser_Quit(PrefixNick(prefix), params);
    if (EqualsUpper(command, "JOIN")) {
      return events_.Parser_Join(PrefixNick(prefix), ChannelAfterHash(params, ""));
    }
    if (EqualsUpper(command, "PART")) {
      // A parting reason behind the channel is not part of its name.
      std::string channel = ChannelAfterHash(params, "");
      channel.resize(std::min(channel.size(), channel.find(' ')));
      return events_.Parser_Part(PrefixNick(prefix), channel);
    }
    if (EqualsUpper(command, "KICK")) {
      return events_.Parser_Kick(CutBetween(params, " ", " "), ChannelAfterHash(params, " "),
                                 PrefixNick(prefix), Trailing(params));
    }
    if (EqualsUpper(command, "NOTICE")) return Notice(prefix, params);
    if (command == "311") {
      return events_.Parser_RPLWhoisUser(FirstWord(CutBetween(params, " ", "")), "User", "Host",
                                         Trailing(params));
    }
    if (command == "332") {
      return events_.Parser_RPLTopic(ChannelAfterHash(params, " "), Trailing(params));
    }
    if (command == "353") {
      return events_.Parser_RPLNameReply(ChannelAfterHash(params, " "),
                                         SplitAtSpaces(Trailing(params), nicks_));
    }
    // A server without a message of the day ends its greeting with 422 instead of 376.
    if (command == "376" || command == "422") return events_.Parser_RPLEndOfMotd();
    if (command == "433") return events_.Parser_ERRNickNameInUse();
    if (command == "474") {
      return events_.Parser_ERRBannedFromChan(FirstWord(params), ChannelAfterHash(params, " "));
    }
  });
}

void IRCParser::PrivMsg(std::string_view prefix, std::string_view params) {
  const std::string_view sender = PrefixNick(prefix);
  const std::string_view recipient = FirstWord(params);
  const std::string_view message = Trailing(params);
  if (!IsCtcp(message)) return events_.Parser_PrivMsg(sender, recipient, message);

  const std::string_view inner = CutBetween(message, "\x01", "\x01");
  const std::size_t space = inner.find(' ');
  const std::string_view keyword = space == std::string_view::npos ? inner : inner.substr(0, space);
  const std::string_view argument =
      space == std::string_view::npos ? inner : inner.substr(space + 1);
  if (EqualsUpper(keyword, "ACTION")) return events_.Parser_CTCPAction(sender, recipient, argument);
  if (EqualsUpper(keyword, "PING")) return events_.Parser_CTCPPing(sender, argument);
  if (EqualsUpper(keyword, "TIME")) return events_.Parser_CTCPTime(sender);
  if (EqualsUpper(keyword, "VERSION")) return events_.Parser_CTCPVersion(sender);
}

void IRCParser::Notice(std::string_view prefix, std::string_view params) {
  const std::string_view message = Trailing(params);
  if (!IsCtcp(message)) return;
  const std::string_view inner = CutBetween(message, "\x01", "\x01");
  // Only a keyword followed by an answer counts: a bare "VERSION" is no reply.
  if (EqualsUpper(CutBetween(inner, "", " "), "VERSION")) {
    events_.Parser_NoticeVersion(PrefixNick(prefix), CutBetween(inner, " ", ""));
  }
}

}  // namespace ostravel

#include "irc/IRCParser.h"

#include <algorithm>
#include <cctype>

#include "base/AsciiText.h"
#include "common/Context.h"
#include "base/Error.h"
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
// The last parameter, with or without its colon; a line of one parameter has no trailing one.
std::string_view Trailing(std::string_view params) {
  if (!params.empty() && params.front() == ':') return params.substr(1);
  if (const std::size_t colon = params.find(" :"); colon != std::string_view::npos) {
    return params.substr(colon + 2);
  }
  const std::size_t space = params.rfind(' ');
  return space == std::string_view::npos ? std::string_view() : params.substr(space + 1);
}

// Every parameter: words up to the trailing one, which runs to the end.
std::vector<std::string_view>& SplitParams(std::string_view params,
                                           std::vector<std::string_view>& parts) {
  parts.clear();
  while (!params.empty()) {
    if (params.front() == ' ') {
      params.remove_prefix(1);
    } else if (params.front() == ':') {
      parts.push_back(params.substr(1));
      break;
    } else {
      const std::size_t space = std::min(params.find(' '), params.size());
      parts.push_back(params.substr(0, space));
      params.remove_prefix(space);
    }
  }
  return parts;
}

std::string_view ParamAt(const std::vector<std::string_view>& params, std::size_t index) {
  return index < params.size() ? params[index] : std::string_view();
}

bool IsRefusal(std::string_view command) {
  static constexpr std::string_view kCodes[] = {"401", "403", "404", "405", "442",
                                                "471", "473", "475", "477", "489"};
  return std::find(std::begin(kCodes), std::end(kCodes), command) != std::end(kCodes);
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
  reset_ = false;
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
      if (dropping_) {
        // The end of a line already reported as too long.
        dropping_ = false;
      } else if (line.size() > kMaxLineLength) {
        DropLongLine();
      } else if (!line.empty()) {
        HandleLine(line);
        // The connection ended while the line was handled: the rest of the chunk is its.
        if (reset_) return;
      }
    }
    if (dropping_) return;
    pending_.append(strData.substr(start));
    if (pending_.size() > kMaxLineLength) {
      pending_.clear();
      dropping_ = true;
      DropLongLine();
    }
  });
}

void IRCParser::Reset() {
  pending_.clear();
  dropping_ = false;
  reset_ = true;
}

void IRCParser::DropLongLine() {
  WriteLog(ctx_, "IRCParser.Parse: dropped a line longer than " + std::to_string(kMaxLineLength) +
                     " bytes");
}

void IRCParser::HandleLine(std::string_view bytes) {
  if (platform::IsValidUtf8(bytes)) return ParseMessage(bytes);
  decoded_ = ctx_.env.code_page.ToUtf8(bytes);
  ParseMessage(decoded_);
}

void IRCParser::ParseMessage(std::string_view line) {
  ErrorHandler{ctx_, kModule, "ParseMessage", Report::kLogOnly}([&] {
    line = TrimSpaces(line);
    if (!line.empty() && line.front() == '@') {
      // IRCv3 message tags: nothing here reads them.
      line = TrimSpaces(line.substr(std::min(line.find(' '), line.size())));
    }
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
      // The kicked nick is the second parameter, the reason (optional) the third.
      SplitParams(params, params_);
      return events_.Parser_Kick(ParamAt(params_, 1), ChannelAfterHash(params, " "),
                                 PrefixNick(prefix), ParamAt(params_, 2));
    }
    if (EqualsUpper(command, "TOPIC")) {
      return events_.Parser_Topic(PrefixNick(prefix), ChannelAfterHash(params, " "),
                                  Trailing(params));
    }
    if (EqualsUpper(command, "ERROR")) {
      return events_.Parser_Error(!params.empty() && params.front() == ':' ? params.substr(1)
                                                                           : params);
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
    if (command == "433" || command == "436" || command == "437") {
      return events_.Parser_ERRNickNameInUse();
    }
    if (command == "001") return events_.Parser_RPLWelcome(FirstWord(params));
    if (command == "005") {
      SplitParams(params, params_);
      // Between the own nick and the closing text.
      nicks_.clear();
      if (params_.size() > 2) nicks_.assign(params_.begin() + 1, params_.end() - 1);
      return events_.Parser_RPLISupport(nicks_);
    }
    if (command == "432") {
      SplitParams(params, params_);
      return events_.Parser_ERRErroneousNickName(ParamAt(params_, 1), Trailing(params));
    }
    if (IsRefusal(command)) {
      SplitParams(params, params_);
      return events_.Parser_ERRRefused(command, ParamAt(params_, 1), Trailing(params));
    }
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
  if (!IsCtcp(message)) {
    return events_.Parser_Notice(PrefixNick(prefix), FirstWord(params), message);
  }
  const std::string_view inner = CutBetween(message, "\x01", "\x01");
  // Only a keyword followed by an answer counts: a bare "VERSION" is no reply.
  if (EqualsUpper(CutBetween(inner, "", " "), "VERSION")) {
    events_.Parser_NoticeVersion(PrefixNick(prefix), CutBetween(inner, " ", ""));
  }
}

}  // namespace ostravel

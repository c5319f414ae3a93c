#include "irc/IRCParser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <utility>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "irc/IRCNumerics.h"
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

// A line's parts, each trimmed.
struct Line {
  std::string_view prefix;
  std::string_view command;
  std::string_view params;
};

// The line split into prefix, command and parameters; nothing when it does not have that shape
// (a prefix alone, or a command without parameters).
std::optional<Line> SplitLine(std::string_view line) {
  line = TrimSpaces(line);
  if (!line.empty() && line.front() == '@') {
    // IRCv3 message tags: nothing here reads them.
    line = TrimSpaces(line.substr(std::min(line.find(' '), line.size())));
  }
  Line parts;
  if (!line.empty() && line.front() == ':') {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    parts.prefix = TrimSpaces(line.substr(1, space - 1));
    line = TrimSpaces(line.substr(space));
  }
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  parts.command = TrimSpaces(line.substr(0, space));
  parts.params = TrimSpaces(line.substr(space));
  return parts;
}

// What a handler raises its event on, and the parser's buffers it may reuse.
struct Scratch {
  IRCParser::Events& events;
  std::vector<std::string_view>& params;
  std::vector<std::string_view>& words;
};
using Handler = void (*)(Scratch&, const Line&);

void OnPrivMsg(Scratch& to, const Line& line) {
  const std::string_view sender = PrefixNick(line.prefix);
  const std::string_view recipient = FirstWord(line.params);
  const std::string_view message = Trailing(line.params);
  if (!IsCtcp(message)) return to.events.Parser_PrivMsg(sender, recipient, message);

  const std::string_view inner = CutBetween(message, "\x01", "\x01");
  const std::size_t space = inner.find(' ');
  const std::string_view keyword = space == std::string_view::npos ? inner : inner.substr(0, space);
  const std::string_view argument =
      space == std::string_view::npos ? inner : inner.substr(space + 1);
  if (EqualsUpper(keyword, "ACTION")) {
    return to.events.Parser_CTCPAction(sender, recipient, argument);
  }
  if (EqualsUpper(keyword, "PING")) return to.events.Parser_CTCPPing(sender, argument);
  if (EqualsUpper(keyword, "TIME")) return to.events.Parser_CTCPTime(sender);
  if (EqualsUpper(keyword, "VERSION")) return to.events.Parser_CTCPVersion(sender);
}

void OnNotice(Scratch& to, const Line& line) {
  const std::string_view message = Trailing(line.params);
  if (!IsCtcp(message)) {
    return to.events.Parser_Notice(PrefixNick(line.prefix), FirstWord(line.params), message);
  }
  const std::string_view inner = CutBetween(message, "\x01", "\x01");
  // Only a keyword followed by an answer counts: a bare "VERSION" is no reply.
  if (EqualsUpper(CutBetween(inner, "", " "), "VERSION")) {
    to.events.Parser_NoticeVersion(PrefixNick(line.prefix), CutBetween(inner, " ", ""));
  }
}

void OnPing(Scratch& to, const Line& line) {
  to.events.Parser_Ping(line.params);
}

void OnNick(Scratch& to, const Line& line) {
  std::string new_nick(line.params);
  std::erase(new_nick, ':');
  to.events.Parser_Nick(PrefixNick(line.prefix), new_nick);
}

void OnQuit(Scratch& to, const Line& line) {
  to.events.Parser_Quit(PrefixNick(line.prefix), line.params);
}

void OnJoin(Scratch& to, const Line& line) {
  to.events.Parser_Join(PrefixNick(line.prefix), ChannelAfterHash(line.params, ""));
}

void OnPart(Scratch& to, const Line& line) {
  // A parting reason behind the channel is not part of its name.
  std::string channel = ChannelAfterHash(line.params, "");
  channel.resize(std::min(channel.size(), channel.find(' ')));
  to.events.Parser_Part(PrefixNick(line.prefix), channel);
}

void OnKick(Scratch& to, const Line& line) {
  // The kicked nick is the second parameter, the reason (optional) the third.
  SplitParams(line.params, to.params);
  to.events.Parser_Kick(ParamAt(to.params, 1), ChannelAfterHash(line.params, " "),
                        PrefixNick(line.prefix), ParamAt(to.params, 2));
}

void OnTopic(Scratch& to, const Line& line) {
  to.events.Parser_Topic(PrefixNick(line.prefix), ChannelAfterHash(line.params, " "),
                         Trailing(line.params));
}

void OnError(Scratch& to, const Line& line) {
  const std::string_view params = line.params;
  to.events.Parser_Error(!params.empty() && params.front() == ':' ? params.substr(1) : params);
}

void OnWelcome(Scratch& to, const Line& line) {
  to.events.Parser_RPLWelcome(FirstWord(line.params));
}

void OnISupport(Scratch& to, const Line& line) {
  SplitParams(line.params, to.params);
  // Between the own nick and the closing text.
  to.words.clear();
  if (to.params.size() > 2) to.words.assign(to.params.begin() + 1, to.params.end() - 1);
  to.events.Parser_RPLISupport(to.words);
}

void OnWhoisUser(Scratch& to, const Line& line) {
  to.events.Parser_RPLWhoisUser(FirstWord(CutBetween(line.params, " ", "")), "User", "Host",
                                Trailing(line.params));
}

void OnChannelTopic(Scratch& to, const Line& line) {
  to.events.Parser_RPLTopic(ChannelAfterHash(line.params, " "), Trailing(line.params));
}

void OnNameReply(Scratch& to, const Line& line) {
  to.events.Parser_RPLNameReply(ChannelAfterHash(line.params, " "),
                                SplitAtSpaces(Trailing(line.params), to.words));
}

void OnEndOfMotd(Scratch& to, const Line&) {
  to.events.Parser_RPLEndOfMotd();
}

void OnNickInUse(Scratch& to, const Line&) {
  to.events.Parser_ERRNickNameInUse();
}

void OnErroneousNick(Scratch& to, const Line& line) {
  SplitParams(line.params, to.params);
  to.events.Parser_ERRErroneousNickName(ParamAt(to.params, 1), Trailing(line.params));
}

void OnRefused(Scratch& to, const Line& line) {
  SplitParams(line.params, to.params);
  to.events.Parser_ERRRefused(line.command, ParamAt(to.params, 1), Trailing(line.params));
}

void OnBanned(Scratch& to, const Line& line) {
  to.events.Parser_ERRBannedFromChan(FirstWord(line.params), ChannelAfterHash(line.params, " "));
}

// The commands by name, in any case.
constexpr std::array<std::pair<std::string_view, Handler>, 10> kCommands{{
    {"PRIVMSG", OnPrivMsg},
    {"PING", OnPing},
    {"NICK", OnNick},
    {"QUIT", OnQuit},
    {"JOIN", OnJoin},
    {"PART", OnPart},
    {"KICK", OnKick},
    {"TOPIC", OnTopic},
    {"ERROR", OnError},
    {"NOTICE", OnNotice},
}};

constexpr std::array<std::pair<Numeric, Handler>, 22> kNumerics{{
    {Numeric::RPL_WELCOME, OnWelcome},
    {Numeric::RPL_ISUPPORT, OnISupport},
    {Numeric::RPL_WHOISUSER, OnWhoisUser},
    {Numeric::RPL_TOPIC, OnChannelTopic},
    {Numeric::RPL_NAMREPLY, OnNameReply},
    {Numeric::RPL_ENDOFMOTD, OnEndOfMotd},
    // A server without a message of the day ends its greeting with this instead.
    {Numeric::ERR_NOMOTD, OnEndOfMotd},
    {Numeric::ERR_ERRONEUSNICKNAME, OnErroneousNick},
    // A fallback nick answers a collision or a nick held back the same way as one in use.
    {Numeric::ERR_NICKNAMEINUSE, OnNickInUse},
    {Numeric::ERR_NICKCOLLISION, OnNickInUse},
    {Numeric::ERR_UNAVAILRESOURCE, OnNickInUse},
    {Numeric::ERR_BANNEDFROMCHAN, OnBanned},
    // The refusals of a join or of a line.
    {Numeric::ERR_NOSUCHNICK, OnRefused},
    {Numeric::ERR_NOSUCHCHANNEL, OnRefused},
    {Numeric::ERR_CANNOTSENDTOCHAN, OnRefused},
    {Numeric::ERR_TOOMANYCHANNELS, OnRefused},
    {Numeric::ERR_NOTONCHANNEL, OnRefused},
    {Numeric::ERR_CHANNELISFULL, OnRefused},
    {Numeric::ERR_INVITEONLYCHAN, OnRefused},
    {Numeric::ERR_BADCHANNELKEY, OnRefused},
    {Numeric::ERR_NEEDREGGEDNICK, OnRefused},
    {Numeric::ERR_SECUREONLYCHAN, OnRefused},
}};

// The handler of a command, or null for one the plug-in does not read.
Handler FindHandler(std::string_view command) {
  if (const std::optional<Numeric> numeric = ReadNumeric(command)) {
    for (const auto& [code, handler] : kNumerics) {
      if (code == *numeric) return handler;
    }
    return nullptr;
  }
  for (const auto& [name, handler] : kCommands) {
    if (EqualsUpper(command, name)) return handler;
  }
  return nullptr;
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
    const std::optional<Line> parts = SplitLine(line);
    if (!parts) throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
    IRCCommand(parts->prefix, parts->command, parts->params);
  });
}

void IRCParser::IRCCommand(std::string_view prefix, std::string_view command,
                           std::string_view params) {
  ErrorHandler{ctx_, kModule, "IRCCommand", Report::kLogOnly}([&] {
    if (const Handler handler = FindHandler(command)) {
      Scratch scratch{events_, params_, nicks_};
      handler(scratch, Line{prefix, command, params});
    }
  });
}

}  // namespace ostravel

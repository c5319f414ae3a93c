#include "irc/IRCServer.h"

#include <algorithm>

#include "base/AsciiText.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "irc/IRCFormatting.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/TlsCheck.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "IRCServer";
constexpr char kCtcp = '\x01';
constexpr std::string_view kNotSent = " Your line was not sent.";

using Clock = std::chrono::steady_clock;
using platform::TcpSocket;

std::string Str(std::string_view text) {
  return std::string(text);
}

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

// Refusals that answer a JOIN; the others answer a line sent to a channel or a nick.
bool IsJoinRefusal(std::string_view code) {
  return code == "403" || code == "405" || code == "471" || code == "473" || code == "475" ||
         code == "477" || code == "489";
}

std::chrono::milliseconds Remaining(Clock::duration wait) {
  return std::chrono::ceil<std::chrono::milliseconds>(wait);
}

std::string Seconds(Clock::duration wait) {
  return std::to_string(std::chrono::ceil<std::chrono::seconds>(wait).count()) + " s";
}

}  // namespace

IRCServer::IRCServer(Context& ctx, std::string server_name, std::string server_port)
    : Channels(ctx),
      ServerName(std::move(server_name)),
      ServerPort(std::move(server_port)),
      ctx_(ctx),
      TCP(TcpSocket::Create(ctx.env.loop)),
      Parser(ctx, *this),
      queue_(ctx.env.loop, [this](std::string line) { WriteLine(line); }),
      ctcp_replies_(kCtcpReplies, kCtcpWindow),
      retry_timer_(ctx.env.loop.CreateTimer()),
      registration_timer_(ctx.env.loop.CreateTimer()),
      keep_alive_timer_(ctx.env.loop.CreateTimer()) {
  TCP->SetHandlers(
      {.connected = [this] { TCP_Connect(); },
       .data_arrived = [this](std::string_view bytes) { TCP_DataArrival(bytes); },
       .closed_by_peer = [this] { TCP_Close(); },
       .failed = [this](int number,
                        const std::string& description) { TCP_Error(number, description); }});
}

IRCServer::~IRCServer() {
  ErrorHandler{ctx_, kModule, "Class_Terminate", ErrorHandler::Report::kLogOnly}([&] {
    if (TCP->GetState() != TcpSocket::kConnected) return;
    // Past the queue: the socket gets one attempt to send it before it closes.
    queue_.Clear();
    TCP->SendData("QUIT :Ostravel " + VersionString() + "\r\n");
  });
}

bool IRCServer::ChatText(std::string_view strCmd) {
  for (const auto& channel : Channels) {
    const std::string head = LowerCase(TrimSpaces(strCmd.substr(0, channel->Command.size() + 1)));
    if (head != LowerCase(channel->Command)) continue;
    const std::string text(
        TrimSpaces(strCmd.substr(std::min(channel->Command.size(), strCmd.size()))));
    if (const std::string problem = DeliveryProblem(*channel); !problem.empty()) {
      Show(problem, kChatColor);
      return true;
    }
    if (LowerCase(text.substr(0, 4)) == "/me " || LowerCase(text) == "/me") {
      const std::string action(TrimSpaces(std::string_view(text).substr(3)));
      SendMessage("PRIVMSG " + channel->ChannelName + " :" + kCtcp + "ACTION " + action + kCtcp);
      Parser_CTCPAction(NickName, channel->ChannelName, action);
    } else {
      SendMessage("PRIVMSG " + channel->ChannelName + " :" + text);
      Parser_PrivMsg(NickName, channel->ChannelName, text);
    }
    return true;
  }
  return false;
}

std::string IRCServer::DeliveryProblem(const IRCChannel& channel) const {
  const std::string& name = channel.ChannelName;
  if (!channel.Join) {
    return "* " + name + " is off: tick \"On\" for it on the IRC page to join it." + Str(kNotSent);
  }
  const int state = TCP->GetState();
  if (state == TcpSocket::kResolving || state == TcpSocket::kConnecting) {
    return "* Still connecting to " + ServerName + "." + Str(kNotSent);
  }
  if (state != TcpSocket::kConnected) {
    return "* Not connected to " + ServerName + "; " + NextTryText() + "." + Str(kNotSent);
  }
  if (!registered_) return "* Not registered with " + ServerName + " yet." + Str(kNotSent);
  if (!channel.Joined) {
    return channel.Refusal.empty()
               ? "* Not in " + name + " yet; joining." + Str(kNotSent)
               : "* Not in " + name + ": " + channel.Refusal + "." + Str(kNotSent);
  }
  return "";
}

std::string IRCServer::NextTryText() const {
  const auto now = Clock::now();
  if (next_try_ > now) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(next_try_ - now).count();
    return "reconnecting in " + std::to_string(seconds) + " s";
  }
  return "tick \"On\" for a channel on the IRC page to try again";
}

std::string IRCServer::ChannelStatus(const IRCChannel& channel) const {
  if (!channel.Join || channel.Joined) return "";
  if (!channel.Refusal.empty()) return channel.Refusal;
  if (!server_error_.empty()) return server_error_;
  return "not joined";
}

void IRCServer::Connect() {
  ErrorHandler{ctx_, kModule, "Connect"}([&] {
    const bool wanted =
        std::any_of(Channels.begin(), Channels.end(), [](const auto& c) { return c->Join; });
    if (TCP->GetState() == TcpSocket::kError) TCP->Close();
    if (TCP->GetState() != TcpSocket::kClosed || !wanted || ServerName.empty() ||
        NickName.empty() || RealName.empty()) {
      return;
    }
    platform::TcpSecurity security{.tls = UseTls, .fingerprint = ""};
    if (UseTls && !TlsFingerprint.empty()) {
      const auto fingerprint = platform::NormalizeFingerprint(TlsFingerprint);
      if (!fingerprint) {
        Show("* " + ServerName + ": the tlsfingerprint \"" + TlsFingerprint +
                 "\" in Ostravel.xml is not a SHA-256 fingerprint (64 hex digits); not connected.",
             kChatColor);
        return;
      }
      security.fingerprint = *fingerprint;
    }
    // A nick set from outside is the one wanted; the fallbacks of a refusal are this object's.
    if (NickName != assigned_nick_) preferred_nick_ = NickName;
    retry_timer_->Cancel();
    next_try_ = {};
    if (retry_count_ == 0) {
      Show("* Connecting to " + ServerName + " (" + ServerPort + ")", kChatColor);
    } else {
      Show("* Connect retry #" + std::to_string(retry_count_) + " " + ServerName + " (" +
               ServerPort + ")",
           kChatColor);
    }
    ++retry_count_;
    TCP->Connect(ServerName, ServerPort, security);
    // From here, not from the connection: a server that takes the connection and never
    // finishes a TLS handshake must not keep the player waiting either.
    registration_timer_->Start(timing.registration, [this] {
      ErrorHandler{ctx_, kModule, "Connect"}([&] {
        const bool connected = TCP->GetState() == TcpSocket::kConnected;
        Drop("* " + ServerName + (connected ? " did not finish the greeting" : " did not answer") +
                 " within " + Seconds(timing.registration),
             true);
      });
    });
  });
}

void IRCServer::Join(const std::string& ChannelName) {
  if (TCP->GetState() != TcpSocket::kConnected || !registered_) return;
  const auto channel = Known(ChannelName);
  if (!channel) return;
  SendMessage("JOIN " + ChannelName + (channel->Key.empty() ? "" : " " + channel->Key));
}

void IRCServer::Part(const std::string& ChannelName) {
  if (TCP->GetState() != TcpSocket::kConnected || !registered_) return;
  const auto channel = Known(ChannelName);
  if (!channel) return;
  SendMessage("PART " + ChannelName);
  channel->Joined = false;
  channel->Users.Clear();
}

void IRCServer::Whois(const std::string& Nick) {
  SendMessage("WHOIS " + Nick);
}

void IRCServer::CTCPVersion(const std::string& Nick) {
  SendMessage("PRIVMSG " + Nick + " :" + kCtcp + "VERSION" + kCtcp);
}

void IRCServer::SendMessage(std::string text, Kind kind) {
  ErrorHandler{ctx_, kModule, "SendMessage"}([&] {
    // A line break or NUL inside would end the line early and let the rest pass as a
    // command of its own.
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    queue_.Send(std::move(text), kind);
  });
}

void IRCServer::WriteLine(const std::string& line) {
  ErrorHandler{ctx_, kModule, "SendMessage"}([&] { TCP->SendData(line); });
}

void IRCServer::Show(const std::string& text, std::int32_t color) {
  PrintChat(ctx_, text, color, true);
}

std::shared_ptr<IRCChannel> IRCServer::Known(std::string_view channel) const {
  return Channels.Exists(channel) ? Channels.Item(channel) : nullptr;
}

bool IRCServer::IsOwnNick(std::string_view nick) const {
  return !nick.empty() && EqualsIgnoreCase(nick, NickName);
}

bool IRCServer::IsChannelName(std::string_view name) const {
  return !name.empty() && channel_types_.find(name.front()) != std::string::npos;
}

std::int32_t IRCServer::PrivateColor() const {
  return Channels.Count() > 0 ? (*Channels.begin())->ColorCode : kChatColor;
}

void IRCServer::SendCtcpReply(std::string_view sender, std::string text) {
  if (!ctcp_replies_.Take()) {
    // One line per flood is enough to explain the silence.
    if (!ctcp_drop_logged_) {
      WriteLog(ctx_, "IRCServer: CTCP requests from " + ServerName + " come faster than " +
                         std::to_string(kCtcpReplies) + " in " +
                         std::to_string(kCtcpWindow.count()) + " s; the rest are not answered");
    }
    ctcp_drop_logged_ = true;
    return;
  }
  ctcp_drop_logged_ = false;
  SendMessage("NOTICE " + Str(sender) + " :" + kCtcp + text + kCtcp, Kind::kAutomatic);
}

void IRCServer::SendNick(const std::string& nick) {
  const std::string old_nick = NickName;
  NickName = nick;
  assigned_nick_ = nick;
  SendMessage(":" + old_nick + " NICK " + NickName);
}

void IRCServer::ConnectionEnded() {
  registered_ = false;
  for (const auto& channel : Channels) {
    channel->Joined = false;
    channel->Users.Clear();
  }
  Parser.Reset();
  queue_.Clear();
  registration_timer_->Cancel();
  keep_alive_timer_->Cancel();
}

void IRCServer::Drop(const std::string& why, bool retry) {
  TCP->Close();
  ConnectionEnded();
  if (retry) ReconnectLater();
  Show(why + "; " + NextTryText() + ".", kChatColor);
}

void IRCServer::ReconnectLater() {
  retry_wait_ =
      retry_wait_.count() == 0 ? kFirstRetryWait : std::min(retry_wait_ * 2, kLongestRetryWait);
  next_try_ = Clock::now() + retry_wait_;
  retry_timer_->Start(retry_wait_, [this] { Connect(); });
}

void IRCServer::CheckKeepAlive() {
  ErrorHandler{ctx_, kModule, "KeepAlive"}([&] {
    const auto silent = Clock::now() - last_heard_;
    if (!ping_sent_ && silent < timing.keep_alive) {
      keep_alive_timer_->Start(Remaining(timing.keep_alive - silent), [this] { CheckKeepAlive(); });
    } else if (!ping_sent_) {
      ping_sent_ = true;
      SendMessage("PING :" + ServerName, Kind::kPong);
      keep_alive_timer_->Start(timing.ping_timeout, [this] { CheckKeepAlive(); });
    } else {
      Drop("* No answer from " + ServerName + " for " + Seconds(silent), true);
    }
  });
}

void IRCServer::TCP_Connect() {
  ErrorHandler{ctx_, kModule, "TCP_Connect"}([&] {
    Show("* Connection to " + ServerName + " established. Awaiting response to autojoin channels.",
         kChatColor);
    Parser.Reset();
    queue_.Clear();
    nick_tries_ = 0;
    // The preferred nick again, cut to what this server took last time.
    if (!preferred_nick_.empty()) NickName = preferred_nick_;
    if (nick_limit_ > 0 && NickName.size() > nick_limit_) NickName.resize(nick_limit_);
    assigned_nick_ = NickName;
    if (!Password.empty()) SendMessage("PASS " + Password);
    SendMessage("USER " + VersionString() + " " + TCP->LocalHostName() + " " + TCP->RemoteHost() +
                " :" + RealName);
    SendMessage("NICK " + NickName);
    last_heard_ = Clock::now();
    ping_sent_ = false;
    keep_alive_timer_->Start(timing.keep_alive, [this] { CheckKeepAlive(); });
  });
}

void IRCServer::TCP_DataArrival(std::string_view bytes) {
  ErrorHandler{ctx_, kModule, "TCP_DataArrival"}([&] {
    last_heard_ = Clock::now();
    ping_sent_ = false;
    Parser.Parse(bytes);
  });
}

void IRCServer::TCP_Close() {
  ErrorHandler{ctx_, kModule, "TCP_Close"}([&] {
    Show("* Connection to " + ServerName + " closed.", kChatColor);
    // Closed first, or the reconnection would find the socket still closing.
    TCP->Close();
    ConnectionEnded();
    ReconnectLater();
  });
}

void IRCServer::TCP_Error(int number, const std::string& description) {
  ErrorHandler{ctx_, kModule, "TCP_Error"}([&] {
    Show("* " + ServerName + " (" + ServerPort + ") " + description, kChatColor);
    ConnectionEnded();
    // A refused certificate stays refused: trying again would only say so again.
    if (number != platform::kTlsFailed) ReconnectLater();
  });
}

void IRCServer::Parser_Ping(std::string_view Params) {
  SendMessage("PONG " + Str(Params), Kind::kPong);
}

void IRCServer::Parser_RPLWelcome(std::string_view Nick) {
  if (Nick.empty()) return;
  NickName = Str(Nick);
  assigned_nick_ = NickName;
}

void IRCServer::Parser_RPLISupport(const std::vector<std::string_view>& Tokens) {
  for (const std::string_view token : Tokens) {
    const std::string_view value = CutBetween(token, "=", "");
    if (token.starts_with("NICKLEN=")) {
      const std::size_t limit = std::strtoul(Str(value).c_str(), nullptr, 10);
      if (limit > 0) nick_limit_ = limit;
    } else if (token.starts_with("CHANTYPES=")) {
      channel_types_ = Str(value);
    } else if (token.starts_with("PREFIX=")) {
      // "(ov)@+": the marks follow the modes.
      nick_prefixes_ = Str(CutBetween(value, ")", ""));
    }
  }
}

void IRCServer::Parser_RPLEndOfMotd() {
  registered_ = true;
  retry_wait_ = std::chrono::seconds(0);
  server_error_.clear();
  registration_timer_->Cancel();
  for (const auto& channel : Channels) {
    if (channel->Join) Join(channel->ChannelName);
  }
}

void IRCServer::Parser_PrivMsg(std::string_view Sender, std::string_view Recipient,
                               std::string_view Message) {
  if (auto channel = Known(Recipient)) {
    Show("<" + Str(Sender) + "> " + StripFormatting(Message), channel->ColorCode);
  } else if (!Sender.empty() && !IsChannelName(Recipient) && IsOwnNick(Recipient)) {
    Show("[IRC] <" + Str(Sender) + "> " + StripFormatting(Message), PrivateColor());
  }
}

void IRCServer::Parser_Notice(std::string_view Sender, std::string_view Recipient,
                              std::string_view Message) {
  // Notices from the server itself (no nick) are its chatter during the greeting.
  if (Sender.empty()) return;
  if (auto channel = Known(Recipient)) {
    Show("-" + Str(Sender) + "- " + StripFormatting(Message), channel->ColorCode);
  } else if (!IsChannelName(Recipient) && IsOwnNick(Recipient)) {
    Show("[IRC] -" + Str(Sender) + "- " + StripFormatting(Message), PrivateColor());
  }
}

void IRCServer::Parser_NoticeVersion(std::string_view Nick, std::string_view Version) {
  Show(Str(Nick) + " version reply: " + StripFormatting(Version), kChatColor);
}

void IRCServer::Parser_CTCPAction(std::string_view Sender, std::string_view Recipient,
                                  std::string_view Action) {
  if (auto channel = Known(Recipient)) {
    Show("* " + Str(Sender) + " " + StripFormatting(Action), channel->ColorCode);
  } else if (!Sender.empty() && !IsChannelName(Recipient) && IsOwnNick(Recipient)) {
    Show("[IRC] * " + Str(Sender) + " " + StripFormatting(Action), PrivateColor());
  }
}

void IRCServer::Parser_CTCPPing(std::string_view Sender, std::string_view Params) {
  SendCtcpReply(Sender, "PING " + Str(Params));
}

void IRCServer::Parser_CTCPTime(std::string_view Sender) {
  SendCtcpReply(Sender, "TIME " + platform::FormatShortDateTime(ctx_.env.clock.LocalNow()));
}

void IRCServer::Parser_CTCPVersion(std::string_view Sender) {
  SendCtcpReply(Sender, "VERSION Ostravel " + VersionString());
}

void IRCServer::Parser_Join(std::string_view Nick, std::string_view Channel) {
  auto channel = Known(Channel);
  if (!channel) return;
  channel->Users.Add(Nick);
  if (Nick == NickName) {
    channel->Joined = true;
    channel->Refusal.clear();
    Show("*** Now talking in " + Str(Channel) + ". Type @" + channel->Command + " to chat.",
         channel->ColorCode);
  }
}

void IRCServer::Parser_Nick(std::string_view OldNick, std::string_view NewNick) {
  for (const auto& channel : Channels) {
    if (!channel->Users.Exists(OldNick)) continue;
    channel->Users.Remove(OldNick);
    channel->Users.Add(NewNick);
  }
}

void IRCServer::Parser_Part(std::string_view Nick, std::string_view Channel) {
  auto channel = Known(Channel);
  if (!channel) return;
  if (Nick == NickName) {
    channel->Joined = false;
    channel->Users.Clear();
    Show("*** You left " + Str(Channel), channel->ColorCode);
  } else {
    channel->Users.Remove(Nick);
  }
}

void IRCServer::Parser_Quit(std::string_view Nick, std::string_view) {
  for (const auto& channel : Channels) {
    if (channel->Users.Exists(Nick)) channel->Users.Remove(Nick);
  }
}

void IRCServer::Parser_Kick(std::string_view Nick, std::string_view Channel,
                            std::string_view Kicker, std::string_view Reason) {
  auto channel = Known(Channel);
  if (!channel) return;
  if (Nick == NickName) {
    channel->Join = false;
    channel->Joined = false;
    channel->Users.Clear();
    Show("*** You were kicked from " + Str(Channel) + " by " + Str(Kicker) + " (" +
             StripFormatting(Reason) + ")",
         channel->ColorCode);
  } else {
    channel->Users.Remove(Nick);
  }
}

void IRCServer::Parser_RPLWhoisUser(std::string_view Nick, std::string_view, std::string_view,
                                    std::string_view Real) {
  Show(Str(Nick) + " real name reply: " + StripFormatting(Real), kChatColor);
}

void IRCServer::Parser_RPLTopic(std::string_view Channel, std::string_view Topic) {
  if (auto channel = Known(Channel)) {
    Show("* Topic is \"" + StripFormatting(Topic) + "\"", channel->ColorCode);
  }
}

void IRCServer::Parser_Topic(std::string_view Nick, std::string_view Channel,
                             std::string_view Topic) {
  if (auto channel = Known(Channel)) {
    Show("* " + Str(Nick) + " changes the topic to \"" + StripFormatting(Topic) + "\"",
         channel->ColorCode);
  }
}

void IRCServer::Parser_RPLNameReply(std::string_view Channel,
                                    const std::vector<std::string_view>& Nicks) {
  auto channel = Known(Channel);
  if (!channel) return;
  for (std::string_view nick : Nicks) {
    // The user list drops one "@" or "+" itself; a server with other marks ("~&@%+"), or
    // several on one nick, needs them all taken off.
    nick.remove_prefix(std::min(nick.find_first_not_of(nick_prefixes_), nick.size()));
    channel->Users.Add(nick);
  }
}

void IRCServer::Parser_ERRBannedFromChan(std::string_view Nick, std::string_view Channel) {
  auto channel = Known(Channel);
  if (!channel || Nick != NickName) return;
  channel->Join = false;
  Show("*** You are banned from " + Str(Channel), channel->ColorCode);
}

void IRCServer::Parser_ERRRefused(std::string_view Code, std::string_view Target,
                                  std::string_view Text) {
  const auto channel = Known(Target);
  const std::string what = StripFormatting(Text) + " (" + Str(Code) + ")";
  if (channel && channel->Join && !channel->Joined && IsJoinRefusal(Code)) {
    // Once per refusal: the rejoin after every reconnection would repeat it.
    if (channel->Refusal == what) return;
    channel->Refusal = what;
    Show("*** Cannot join " + channel->ChannelName + ": " + what, channel->ColorCode);
    return;
  }
  Show("* Not delivered to " + Str(Target) + ": " + what,
       channel ? channel->ColorCode : kChatColor);
}

void IRCServer::Parser_Error(std::string_view Reason) {
  const std::string text = "ERROR: " + StripFormatting(Reason);
  if (text == server_error_) return;
  server_error_ = text;
  Show("* " + ServerName + " " + text, kChatColor);
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
  Drop("* " + ServerName + " refuses the nick " + Str(Nick) + " (" + StripFormatting(Text) +
           "); not connected",
       false);
}

}  // namespace ostravel

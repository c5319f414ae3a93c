// The connection's life: creation, opening and registering, keeping it alive, noticing its
// end and trying again, and the one way lines leave.
#include "irc/IRCServer.h"

#include <algorithm>
#include <cstdlib>

#include "base/AsciiText.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "irc/IRCFormatting.h"
#include "platform/EventLoop.h"
#include "platform/TlsCheck.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "IRCServer";

using Clock = std::chrono::steady_clock;
using platform::TcpSocket;

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
      TCP(ctx.env.tcp_sockets ? ctx.env.tcp_sockets(ctx.env.loop)
                              : TcpSocket::Create(ctx.env.loop)),
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

void IRCServer::ConnectionEnded() {
  registered_ = false;
  for (const auto& channel : Channels) {
    channel->Joined = false;
    channel->Users.Clear();
  }
  Parser.Reset();
  const std::vector<std::string> lost = queue_.Clear();
  registration_timer_->Cancel();
  keep_alive_timer_->Cancel();
  for (const std::string& line : lost) Show(line, kChatColor);
}

void IRCServer::Drop(const std::string& why, bool retry) {
  TCP->Close();
  if (retry) ReconnectLater();
  // The reason first, then the lines it cost.
  Show(why + "; " + NextTryText() + ".", kChatColor);
  ConnectionEnded();
}

void IRCServer::ReconnectLater() {
  retry_wait_ =
      retry_wait_.count() == 0 ? kFirstRetryWait : std::min(retry_wait_ * 2, kLongestRetryWait);
  next_try_ = Clock::now() + retry_wait_;
  retry_timer_->Start(retry_wait_, [this] { Connect(); });
}

std::string IRCServer::NextTryText() const {
  const auto now = Clock::now();
  if (next_try_ > now) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(next_try_ - now).count();
    return "reconnecting in " + std::to_string(seconds) + " s";
  }
  return "tick \"On\" for a channel on the IRC page to try again";
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

void IRCServer::SendMessage(std::string text, Kind kind, std::string if_lost) {
  ErrorHandler{ctx_, kModule, "SendMessage"}([&] {
    // A line break or NUL inside would end the line early and let the rest pass as a
    // command of its own.
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    queue_.Send(std::move(text), kind, std::move(if_lost));
    CheckOutputBuffer();
  });
}

void IRCServer::CheckOutputBuffer() {
  if (TCP->GetState() != TcpSocket::kConnected) return;
  if (queue_.QueuedBytes() + TCP->Unsent() <= kOutputBufferLimit) return;
  Drop("* " + ServerName + " does not read what is sent to it: more than " +
           std::to_string(kOutputBufferLimit / 1024) + " KiB wait to be written",
       true);
}

void IRCServer::WriteLine(const std::string& line) {
  ErrorHandler{ctx_, kModule, "SendMessage"}([&] { TCP->SendData(line); });
}

void IRCServer::Show(const std::string& text, std::int32_t color) {
  PrintChat(ctx_, text, color, true);
}

void IRCServer::Parser_Ping(std::string_view Params) {
  SendMessage("PONG " + std::string(Params), Kind::kPong);
}

void IRCServer::Parser_RPLISupport(const std::vector<std::string_view>& Tokens) {
  for (const std::string_view token : Tokens) {
    const std::string_view value = CutBetween(token, "=", "");
    if (token.starts_with("NICKLEN=")) {
      const std::size_t limit = std::strtoul(std::string(value).c_str(), nullptr, 10);
      if (limit > 0) nick_limit_ = limit;
    } else if (token.starts_with("CHANTYPES=")) {
      channel_types_ = std::string(value);
    } else if (token.starts_with("PREFIX=")) {
      // "(ov)@+": the marks follow the modes.
      nick_prefixes_ = std::string(CutBetween(value, ")", ""));
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

void IRCServer::Parser_Error(std::string_view Reason) {
  const std::string text = "ERROR: " + StripFormatting(Reason);
  if (text == server_error_) return;
  server_error_ = text;
  Show("* " + ServerName + " " + text, kChatColor);
}

}  // namespace ostravel

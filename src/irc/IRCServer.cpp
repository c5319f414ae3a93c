#include "irc/IRCServer.h"

#include "common/AsciiText.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "IRCServer";
constexpr char kCtcp = '\x01';

std::string Str(std::string_view text) {
  return std::string(text);
}

}  // namespace

IRCServer::IRCServer(Context& ctx, std::string server_name, std::string server_port)
    : Channels(ctx),
      ServerName(std::move(server_name)),
      ServerPort(std::move(server_port)),
      ctx_(ctx),
      TCP(platform::TcpSocket::Create(ctx.env.loop)),
      Parser(ctx, *this),
      retry_timer_(ctx.env.loop.CreateTimer()) {
  TCP->SetHandlers(
      {.connected = [this] { TCP_Connect(); },
       .data_arrived = [this](std::string_view bytes) { TCP_DataArrival(bytes); },
       .closed_by_peer = [this] { TCP_Close(); },
       .failed = [this](int number,
                        const std::string& description) { TCP_Error(number, description); }});
}

IRCServer::~IRCServer() = default;

bool IRCServer::ChatText(std::string_view strCmd) {
  for (const auto& channel : Channels) {
    const std::string head = LowerCase(TrimSpaces(strCmd.substr(0, channel->Command.size() + 1)));
    if (head != LowerCase(channel->Command)) continue;
    if (TCP->GetState() == platform::TcpSocket::kConnected && channel->Join) {
      const std::string text(
          TrimSpaces(strCmd.substr(std::min(channel->Command.size(), strCmd.size()))));
      SendMessage("PRIVMSG " + channel->ChannelName + " :" + text);
      Parser_PrivMsg(NickName, channel->ChannelName, text);
    }
    return true;
  }
  return false;
}

void IRCServer::Connect() {
  ErrorHandler{ctx_, kModule, "Connect"}([&] {
    const bool wanted =
        std::any_of(Channels.begin(), Channels.end(), [](const auto& c) { return c->Join; });
    if (TCP->GetState() == platform::TcpSocket::kError) TCP->Close();
    if (TCP->GetState() != platform::TcpSocket::kClosed || !wanted || ServerName.empty() ||
        NickName.empty() || RealName.empty()) {
      return;
    }
    if (retry_count_ == 0) {
      Show("* Connecting to " + ServerName + " (" + ServerPort + ")", kChatColor);
    } else {
      Show("* Connect retry #" + std::to_string(retry_count_) + " " + ServerName + " (" +
               ServerPort + ")",
           kChatColor);
    }
    ++retry_count_;
    TCP->Connect(ServerName, ServerPort);
  });
}

void IRCServer::Join(const std::string& ChannelName) {
  if (TCP->GetState() == platform::TcpSocket::kConnected && registered_ &&
      Channels.Exists(ChannelName)) {
    SendMessage("JOIN " + ChannelName);
  }
}

void IRCServer::Part(const std::string& ChannelName) {
  if (TCP->GetState() == platform::TcpSocket::kConnected && registered_ &&
      Channels.Exists(ChannelName)) {
    SendMessage("PART " + ChannelName);
  }
}

void IRCServer::Whois(const std::string& Nick) {
  SendMessage("WHOIS " + Nick);
}

void IRCServer::CTCPVersion(const std::string& Nick) {
  SendMessage("PRIVMSG " + Nick + " :" + kCtcp + "VERSION" + kCtcp);
}

void IRCServer::SendMessage(std::string text) {
  ErrorHandler{ctx_, kModule, "SendMessage"}([&] {
    // A line break or NUL inside would end the line early and let the rest pass as a
    // command of its own.
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    TCP->SendData(text + "\r\n");
  });
}

void IRCServer::Show(const std::string& text, std::int32_t color) {
  PrintChat(ctx_, text, color, true);
}

std::shared_ptr<IRCChannel> IRCServer::Known(std::string_view channel) const {
  return Channels.Exists(channel) ? Channels.Item(channel) : nullptr;
}

void IRCServer::ReconnectLater() {
  retry_wait_ =
      retry_wait_.count() == 0 ? kFirstRetryWait : std::min(retry_wait_ * 2, kLongestRetryWait);
  // The timer is a member, so its work cannot outlive this server.
  retry_timer_->Start(retry_wait_, [this] { Connect(); });
}

void IRCServer::TCP_Connect() {
  ErrorHandler{ctx_, kModule, "TCP_Connect"}([&] {
    Show("* Connection to " + ServerName + " established. Awaiting response to autojoin channels.",
         kChatColor);
    SendMessage("USER " + VersionString() + " " + TCP->LocalHostName() + " " + TCP->RemoteHost() +
                " :" + RealName);
    SendMessage("NICK " + NickName);
  });
}

void IRCServer::TCP_DataArrival(std::string_view bytes) {
  ErrorHandler{ctx_, kModule, "TCP_DataArrival"}([&] { Parser.Parse(bytes); });
}

void IRCServer::TCP_Close() {
  ErrorHandler{ctx_, kModule, "TCP_Close"}([&] {
    Show("* Connection to " + ServerName + " closed.", kChatColor);
    registered_ = false;
    // Closed first, or the reconnection would find the socket still closing.
    TCP->Close();
    ReconnectLater();
  });
}

void IRCServer::TCP_Error(int, const std::string& description) {
  ErrorHandler{ctx_, kModule, "TCP_Error"}([&] {
    Show("* " + ServerName + " (" + ServerPort + ") " + description, kChatColor);
    registered_ = false;
    ReconnectLater();
  });
}

void IRCServer::Parser_Ping(std::string_view Params) {
  SendMessage("PONG " + Str(Params));
}

void IRCServer::Parser_RPLEndOfMotd() {
  registered_ = true;
  retry_wait_ = std::chrono::seconds(0);
  for (const auto& channel : Channels) {
    if (channel->Join) Join(channel->ChannelName);
  }
}

void IRCServer::Parser_PrivMsg(std::string_view Sender, std::string_view Recipient,
                               std::string_view Message) {
  if (auto channel = Known(Recipient)) {
    Show("<" + Str(Sender) + "> " + Str(Message), channel->ColorCode);
  }
}

void IRCServer::Parser_NoticeVersion(std::string_view Nick, std::string_view Version) {
  Show(Str(Nick) + " version reply: " + Str(Version), kChatColor);
}

void IRCServer::Parser_CTCPAction(std::string_view Sender, std::string_view Recipient,
                                  std::string_view Action) {
  if (auto channel = Known(Recipient)) {
    Show("* " + Str(Sender) + " " + Str(Action), channel->ColorCode);
  }
}

void IRCServer::Parser_CTCPPing(std::string_view Sender, std::string_view Params) {
  SendMessage("NOTICE " + Str(Sender) + " :" + kCtcp + "PING " + Str(Params) + kCtcp);
}

void IRCServer::Parser_CTCPTime(std::string_view Sender) {
  SendMessage("NOTICE " + Str(Sender) + " :" + kCtcp + "TIME " +
              platform::FormatShortDateTime(ctx_.env.clock.LocalNow()) + kCtcp);
}

void IRCServer::Parser_CTCPVersion(std::string_view Sender) {
  SendMessage("NOTICE " + Str(Sender) + " :" + kCtcp + "VERSION Ostravel " + VersionString() +
              kCtcp);
}

void IRCServer::Parser_Join(std::string_view Nick, std::string_view Channel) {
  auto channel = Known(Channel);
  if (!channel) return;
  channel->Users.Add(Nick);
  if (Nick == NickName) {
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
    channel->Users.Clear();
    Show("*** You were kicked from " + Str(Channel) + " by " + Str(Kicker) + " (" + Str(Reason) +
             ")",
         channel->ColorCode);
  } else {
    channel->Users.Remove(Nick);
  }
}

void IRCServer::Parser_RPLWhoisUser(std::string_view Nick, std::string_view, std::string_view,
                                    std::string_view Real) {
  Show(Str(Nick) + " real name reply: " + Str(Real), kChatColor);
}

void IRCServer::Parser_RPLTopic(std::string_view Channel, std::string_view Topic) {
  if (auto channel = Known(Channel)) {
    Show("* Topic is \"" + Str(Topic) + "\"", channel->ColorCode);
  }
}

void IRCServer::Parser_RPLNameReply(std::string_view Channel,
                                    const std::vector<std::string_view>& Nicks) {
  auto channel = Known(Channel);
  if (!channel) return;
  for (const auto nick : Nicks) channel->Users.Add(nick);
}

void IRCServer::Parser_ERRBannedFromChan(std::string_view Nick, std::string_view Channel) {
  auto channel = Known(Channel);
  if (!channel || Nick != NickName) return;
  channel->Join = false;
  Show("*** You are banned from " + Str(Channel), channel->ColorCode);
}

void IRCServer::Parser_ERRNickNameInUse() {
  const std::string old_nick = NickName;
  if (!NickName.empty() && NickName.back() >= '0' && NickName.back() <= '9') {
    const int digit = NickName.back() - '0';
    NickName.pop_back();
    NickName += std::to_string(digit + 1);
  } else {
    NickName += "-2";
  }
  SendMessage(":" + old_nick + " NICK " + NickName);
}

}  // namespace ostravel

// Channels and their users: game chat to a channel and why it could not go, joins and parts,
// the user lists that names, joins, parts, quits, kicks and nick changes keep, and what is
// shown of a channel's traffic.
#include <algorithm>
#include <array>
#include <optional>

#include "base/AsciiText.h"
#include "common/OstravelLib.h"
#include "irc/IRCFormatting.h"
#include "irc/IRCNumerics.h"
#include "irc/IRCServer.h"

namespace ostravel {
namespace {

constexpr char kCtcp = '\x01';
constexpr std::string_view kNotSent = " Your line was not sent.";

using platform::TcpSocket;

// What the player reads when a line of theirs was still waiting as the connection ended.
std::string NotSentText(const IRCChannel& channel, const std::string& text) {
  return "* Not sent to " + channel.ChannelName + " (connection lost): " + text;
}

// Refusals that answer a JOIN; the others answer a line sent to a channel or a nick.
bool IsJoinRefusal(std::string_view code) {
  static constexpr std::array<Numeric, 7> kJoinRefusals{
      Numeric::ERR_NOSUCHCHANNEL,  Numeric::ERR_TOOMANYCHANNELS, Numeric::ERR_CHANNELISFULL,
      Numeric::ERR_INVITEONLYCHAN, Numeric::ERR_BADCHANNELKEY,   Numeric::ERR_NEEDREGGEDNICK,
      Numeric::ERR_SECUREONLYCHAN};
  const std::optional<Numeric> numeric = ReadNumeric(code);
  return numeric &&
         std::find(kJoinRefusals.begin(), kJoinRefusals.end(), *numeric) != kJoinRefusals.end();
}

}  // namespace

std::string IRCServer::ConnectionProblem() const {
  const int state = TCP->GetState();
  if (state == TcpSocket::kResolving || state == TcpSocket::kConnecting) {
    return "Still connecting to " + ServerName + ".";
  }
  if (state != TcpSocket::kConnected) {
    return "Not connected to " + ServerName + "; " + NextTryText() + ".";
  }
  if (!registered_) return "Not registered with " + ServerName + " yet.";
  return "";
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
      SendMessage("PRIVMSG " + channel->ChannelName + " :" + kCtcp + "ACTION " + action + kCtcp,
                  Kind::kPlayer, NotSentText(*channel, text));
      Parser_CTCPAction(NickName, channel->ChannelName, action);
    } else {
      SendMessage("PRIVMSG " + channel->ChannelName + " :" + text, Kind::kPlayer,
                  NotSentText(*channel, text));
      Parser_PrivMsg(NickName, channel->ChannelName, text);
    }
    return true;
  }
  return false;
}

std::string IRCServer::DeliveryProblem(const IRCChannel& channel) const {
  const std::string& name = channel.ChannelName;
  if (!channel.Join) {
    return "* " + name + " is off: tick \"On\" for it on the IRC page to join it." +
           std::string(kNotSent);
  }
  if (const std::string problem = ConnectionProblem(); !problem.empty()) {
    return "* " + problem + std::string(kNotSent);
  }
  if (!channel.Joined) {
    return channel.Refusal.empty()
               ? "* Not in " + name + " yet; joining." + std::string(kNotSent)
               : "* Not in " + name + ": " + channel.Refusal + "." + std::string(kNotSent);
  }
  return "";
}

std::string IRCServer::ChannelStatus(const IRCChannel& channel) const {
  if (!channel.Join || channel.Joined) return "";
  if (!channel.Refusal.empty()) return channel.Refusal;
  if (!server_error_.empty()) return server_error_;
  return "not joined";
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

bool IRCServer::Whois(const std::string& Nick) {
  if (const std::string problem = ConnectionProblem(); !problem.empty()) {
    Show("* " + problem + " Not asked who " + Nick + " is.", kChatColor);
    return false;
  }
  SendMessage("WHOIS " + Nick);
  return true;
}

std::shared_ptr<IRCChannel> IRCServer::Known(std::string_view channel) const {
  return Channels.Exists(channel) ? Channels.Item(channel) : nullptr;
}

bool IRCServer::IsChannelName(std::string_view name) const {
  return !name.empty() && channel_types_.find(name.front()) != std::string::npos;
}

std::int32_t IRCServer::PrivateColor() const {
  return Channels.Count() > 0 ? (*Channels.begin())->ColorCode : kChatColor;
}

void IRCServer::Parser_PrivMsg(std::string_view Sender, std::string_view Recipient,
                               std::string_view Message) {
  if (auto channel = Known(Recipient)) {
    Show("<" + std::string(Sender) + "> " + StripFormatting(Message), channel->ColorCode);
  } else if (!Sender.empty() && !IsChannelName(Recipient) && IsOwnNick(Recipient)) {
    Show("[IRC] <" + std::string(Sender) + "> " + StripFormatting(Message), PrivateColor());
  }
}

void IRCServer::Parser_Notice(std::string_view Sender, std::string_view Recipient,
                              std::string_view Message) {
  // Notices from the server itself (no nick) are its chatter during the greeting.
  if (Sender.empty()) return;
  if (auto channel = Known(Recipient)) {
    Show("-" + std::string(Sender) + "- " + StripFormatting(Message), channel->ColorCode);
  } else if (!IsChannelName(Recipient) && IsOwnNick(Recipient)) {
    Show("[IRC] -" + std::string(Sender) + "- " + StripFormatting(Message), PrivateColor());
  }
}

void IRCServer::Parser_Join(std::string_view Nick, std::string_view Channel) {
  auto channel = Known(Channel);
  if (!channel) return;
  channel->Users.Add(Nick);
  if (Nick == NickName) {
    channel->Joined = true;
    channel->Refusal.clear();
    Show("*** Now talking in " + std::string(Channel) + ". Type @" + channel->Command + " to chat.",
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
    Show("*** You left " + std::string(Channel), channel->ColorCode);
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
    Show("*** You were kicked from " + std::string(Channel) + " by " + std::string(Kicker) + " (" +
             StripFormatting(Reason) + ")",
         channel->ColorCode);
  } else {
    channel->Users.Remove(Nick);
  }
}

void IRCServer::Parser_RPLWhoisUser(std::string_view Nick, std::string_view, std::string_view,
                                    std::string_view Real) {
  Show(std::string(Nick) + " real name reply: " + StripFormatting(Real), kChatColor);
}

void IRCServer::Parser_RPLTopic(std::string_view Channel, std::string_view Topic) {
  if (auto channel = Known(Channel)) {
    Show("* Topic is \"" + StripFormatting(Topic) + "\"", channel->ColorCode);
  }
}

void IRCServer::Parser_Topic(std::string_view Nick, std::string_view Channel,
                             std::string_view Topic) {
  if (auto channel = Known(Channel)) {
    Show("* " + std::string(Nick) + " changes the topic to \"" + StripFormatting(Topic) + "\"",
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
    // Double spaces and a mark alone name nobody.
    if (nick.empty()) continue;
    channel->Users.Add(nick);
  }
}

void IRCServer::Parser_ERRBannedFromChan(std::string_view Nick, std::string_view Channel) {
  auto channel = Known(Channel);
  if (!channel || Nick != NickName) return;
  channel->Join = false;
  Show("*** You are banned from " + std::string(Channel), channel->ColorCode);
}

void IRCServer::Parser_ERRRefused(std::string_view Code, std::string_view Target,
                                  std::string_view Text) {
  const auto channel = Known(Target);
  const std::string what = StripFormatting(Text) + " (" + std::string(Code) + ")";
  if (channel && channel->Join && !channel->Joined && IsJoinRefusal(Code)) {
    // Once per refusal: the rejoin after every reconnection would repeat it.
    if (channel->Refusal == what) return;
    channel->Refusal = what;
    Show("*** Cannot join " + channel->ChannelName + ": " + what, channel->ColorCode);
    return;
  }
  Show("* Not delivered to " + std::string(Target) + ": " + what,
       channel ? channel->ColorCode : kChatColor);
}

}  // namespace ostravel

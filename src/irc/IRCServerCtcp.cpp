// CTCP: asking a user's client for its version, answering the requests of others (a few at a
// time), and showing actions and version replies.
#include "common/Context.h"
#include "common/OstravelLib.h"
#include "irc/IRCFormatting.h"
#include "irc/IRCServer.h"
#include "platform/Clock.h"
#include "platform/DateTime.h"

namespace ostravel {
namespace {

constexpr char kCtcp = '\x01';

}  // namespace

void IRCServer::CTCPVersion(const std::string& Nick) {
  if (const std::string problem = ConnectionProblem(); !problem.empty()) {
    Show("* " + problem + " Not asked for the version of " + Nick + ".", kChatColor);
    return;
  }
  SendMessage("PRIVMSG " + Nick + " :" + kCtcp + "VERSION" + kCtcp);
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
  SendMessage("NOTICE " + std::string(sender) + " :" + kCtcp + text + kCtcp, Kind::kAutomatic);
}

void IRCServer::Parser_CTCPPing(std::string_view Sender, std::string_view Params) {
  SendCtcpReply(Sender, "PING " + std::string(Params));
}

void IRCServer::Parser_CTCPTime(std::string_view Sender) {
  SendCtcpReply(Sender, "TIME " + platform::FormatShortDateTime(ctx_.env.clock.LocalNow()));
}

void IRCServer::Parser_CTCPVersion(std::string_view Sender) {
  SendCtcpReply(Sender, "VERSION Ostravel " + VersionString());
}

void IRCServer::Parser_NoticeVersion(std::string_view Nick, std::string_view Version) {
  Show(std::string(Nick) + " version reply: " + StripFormatting(Version), kChatColor);
}

void IRCServer::Parser_CTCPAction(std::string_view Sender, std::string_view Recipient,
                                  std::string_view Action) {
  if (auto channel = Known(Recipient)) {
    Show("* " + std::string(Sender) + " " + StripFormatting(Action), channel->ColorCode);
  } else if (!Sender.empty() && !IsChannelName(Recipient) && IsOwnNick(Recipient)) {
    Show("[IRC] * " + std::string(Sender) + " " + StripFormatting(Action), PrivateColor());
  }
}

}  // namespace ostravel

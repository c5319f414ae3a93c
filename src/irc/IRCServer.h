#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "irc/IRCChannels.h"
#include "irc/IRCParser.h"
#include "platform/EventLoop.h"
#include "platform/TcpSocket.h"

namespace asio {
class io_context;
}

namespace ostravel {

struct Context;

// One connection to one IRC server: registers under a nick and a real-name text, joins the
// wanted channels once the greeting is over, answers pings and CTCP requests, keeps the
// channels' user lists and shows what happens in game chat. The only place lines are sent.
class IRCServer : private IRCParser::Events {
 public:
  IRCServer(Context& ctx, std::string server_name, std::string server_port);
  ~IRCServer() override;
  IRCServer(const IRCServer&) = delete;
  IRCServer& operator=(const IRCServer&) = delete;

  IRCChannels Channels;
  std::string ServerName;
  std::string ServerPort;
  std::string NickName;
  std::string RealName;

  // Offers a line of game chat (without its "@" or "/"); true when it named one of this
  // server's channels, sent or not.
  bool ChatText(std::string_view strCmd);
  // Opens the connection when a channel is wanted and the names are set.
  void Connect();
  void Join(const std::string& ChannelName);
  void Part(const std::string& ChannelName);
  void Whois(const std::string& Nick);
  void CTCPVersion(const std::string& Nick);

  bool Registered() const { return registered_; }
  std::int32_t RetryCount() const { return retry_count_; }
  int SocketState() const { return TCP->GetState(); }

  // How long the next automatic reconnection waits: 2 s after a first failure, doubling up to
  // five minutes, back to the start once a registration completes.
  static constexpr std::chrono::seconds kFirstRetryWait{2};
  static constexpr std::chrono::seconds kLongestRetryWait{300};

 private:
  void SendMessage(std::string text);
  void Show(const std::string& text, std::int32_t color);
  std::shared_ptr<IRCChannel> Known(std::string_view channel) const;
  void ReconnectLater();

  void TCP_Connect();
  void TCP_DataArrival(std::string_view bytes);
  void TCP_Close();
  void TCP_Error(int number, const std::string& description);

  void Parser_Ping(std::string_view Params) override;
  void Parser_Nick(std::string_view OldNick, std::string_view NewNick) override;
  void Parser_Quit(std::string_view Nick, std::string_view Reason) override;
  void Parser_Join(std::string_view Nick, std::string_view Channel) override;
  void Parser_Part(std::string_view Nick, std::string_view Channel) override;
  void Parser_Kick(std::string_view Nick, std::string_view Channel, std::string_view Kicker,
                   std::string_view Reason) override;
  void Parser_PrivMsg(std::string_view Sender, std::string_view Recipient,
                      std::string_view Message) override;
  void Parser_NoticeVersion(std::string_view Nick, std::string_view Version) override;
  void Parser_CTCPAction(std::string_view Sender, std::string_view Recipient,
                         std::string_view Action) override;
  void Parser_CTCPPing(std::string_view Sender, std::string_view Params) override;
  void Parser_CTCPTime(std::string_view Sender) override;
  void Parser_CTCPVersion(std::string_view Sender) override;
  void Parser_RPLWhoisUser(std::string_view Nick, std::string_view User, std::string_view Host,
                           std::string_view Real) override;
  void Parser_RPLTopic(std::string_view Channel, std::string_view Topic) override;
  void Parser_RPLNameReply(std::string_view Channel,
                           const std::vector<std::string_view>& Nicks) override;
  void Parser_RPLEndOfMotd() override;
  void Parser_ERRBannedFromChan(std::string_view Nick, std::string_view Channel) override;
  void Parser_ERRNickNameInUse() override;

  Context& ctx_;
  std::unique_ptr<platform::TcpSocket> TCP;
  IRCParser Parser;
  bool registered_ = false;
  std::int32_t retry_count_ = 0;
  std::chrono::seconds retry_wait_{0};
  // The wait before an automatic reconnection.
  std::unique_ptr<platform::LoopTimer> retry_timer_;
};

}  // namespace ostravel

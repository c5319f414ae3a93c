#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "irc/IRCChannels.h"
#include "irc/IRCParser.h"
#include "irc/IRCRateLimit.h"
#include "irc/IRCSendQueue.h"
#include "platform/EventLoop.h"
#include "platform/TcpSocket.h"

namespace ostravel {

struct Context;

// One connection to one IRC server: registers under a nick and a real-name text, joins the
// wanted channels once the greeting is over, answers pings and CTCP requests, keeps the
// channels' user lists and shows what happens in game chat. The only place lines are sent.
//
// A line typed in game chat is shown as sent only when it went to a registered connection for a
// channel the server has let the client join; otherwise the player reads why it was not sent.
class IRCServer : private IRCParser::Events {
 public:
  IRCServer(Context& ctx, std::string server_name, std::string server_port);
  // Says goodbye ("QUIT :Ostravel VERSION") when connected.
  ~IRCServer() override;
  IRCServer(const IRCServer&) = delete;
  IRCServer& operator=(const IRCServer&) = delete;

  IRCChannels Channels;
  std::string ServerName;
  std::string ServerPort;
  std::string NickName;
  std::string RealName;
  // From the settings, optional: a TLS connection, the certificate to accept as it is (as
  // written there; see platform::NormalizeFingerprint), and the server password.
  bool UseTls = false;
  std::string TlsFingerprint;
  std::string Password;

  // Offers a line of game chat (without its "@" or "/"); true when it named one of this
  // server's channels, sent or not.
  bool ChatText(std::string_view strCmd);
  // Opens the connection when a channel is wanted and the names are set.
  void Connect();
  void Join(const std::string& ChannelName);
  void Part(const std::string& ChannelName);
  // Both ask only over a registered connection, and otherwise say why not; Whois tells
  // whether it asked.
  bool Whois(const std::string& Nick);
  void CTCPVersion(const std::string& Nick);

  bool Registered() const { return registered_; }
  std::int32_t RetryCount() const { return retry_count_; }
  int SocketState() const { return TCP->GetState(); }
  // Why a wanted channel is not joined, for the IRC page; "" when it is joined or not wanted.
  std::string ChannelStatus(const IRCChannel& channel) const;

  // How long the next automatic reconnection waits: 2 s after a first failure, doubling up to
  // five minutes, back to the start once a registration completes.
  static constexpr std::chrono::seconds kFirstRetryWait{2};
  static constexpr std::chrono::seconds kLongestRetryWait{300};
  // How long the connection waits for the server; tests shorten them.
  struct Timing {
    // A server that has not finished the greeting this long after the connection was begun
    // is left and tried again.
    std::chrono::milliseconds registration{std::chrono::seconds(60)};
    // Silence from the server this long brings a PING; no answer within `ping_timeout` ends
    // the connection, which is then tried again.
    std::chrono::milliseconds keep_alive{std::chrono::seconds(120)};
    std::chrono::milliseconds ping_timeout{std::chrono::seconds(60)};
  };
  Timing timing;
  // RFC 2812's shortest allowed nick length: what every server takes.
  static constexpr std::size_t kSafeNickLength = 9;
  // Fallback nicks tried after the wanted one is taken.
  static constexpr int kMaxNickTries = 10;
  // Answers to CTCP requests: at most this many in the window, the rest are dropped.
  static constexpr int kCtcpReplies = 3;
  static constexpr std::chrono::seconds kCtcpWindow{10};
  // What one connection may have waiting to be written, in the send queue and in the socket,
  // before it is given up and tried again: a server that stops reading would otherwise grow it
  // without end, since PONGs skip the queue's pace. 2,048 lines of the RFC's longest (512
  // bytes); a server that reads never lets a paced connection come near it.
  static constexpr std::size_t kOutputBufferLimit = 1024 * 1024;

 private:
  using Kind = IRCSendQueue::Kind;

  // `if_lost` is what to tell the player should the line never be written.
  void SendMessage(std::string text, Kind kind = Kind::kPlayer, std::string if_lost = {});
  // Gives the connection up when more than kOutputBufferLimit waits to be written.
  void CheckOutputBuffer();
  void WriteLine(const std::string& line);
  void Show(const std::string& text, std::int32_t color);
  std::shared_ptr<IRCChannel> Known(std::string_view channel) const;
  bool IsOwnNick(std::string_view nick) const;
  bool IsChannelName(std::string_view name) const;
  std::int32_t PrivateColor() const;
  // Why a line for `channel` cannot go out now, or "" when it can.
  std::string DeliveryProblem(const IRCChannel& channel) const;
  // Why nothing can be asked of the server now ("Not connected to ...; ..."), or "".
  std::string ConnectionProblem() const;
  std::string NextTryText() const;
  void SendCtcpReply(std::string_view sender, std::string text);
  void SendNick(const std::string& nick);
  // Ends the connection's state: users, joins, the parser's partial line and the queue, whose
  // lines from the player are named as not sent.
  void ConnectionEnded();
  // Closes the connection from this side; `retry` schedules the next attempt first, so that
  // `why` can name its time.
  void Drop(const std::string& why, bool retry);
  void ReconnectLater();
  void CheckKeepAlive();

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
  void Parser_RPLWelcome(std::string_view Nick) override;
  void Parser_RPLISupport(const std::vector<std::string_view>& Tokens) override;
  void Parser_ERRErroneousNickName(std::string_view Nick, std::string_view Text) override;
  void Parser_ERRRefused(std::string_view Code, std::string_view Target,
                         std::string_view Text) override;
  void Parser_Error(std::string_view Reason) override;
  void Parser_Notice(std::string_view Sender, std::string_view Recipient,
                     std::string_view Message) override;
  void Parser_Topic(std::string_view Nick, std::string_view Channel,
                    std::string_view Topic) override;

  Context& ctx_;
  std::unique_ptr<platform::TcpSocket> TCP;
  IRCParser Parser;
  IRCSendQueue queue_;
  IRCRateLimit ctcp_replies_;
  bool registered_ = false;
  std::int32_t retry_count_ = 0;
  std::chrono::seconds retry_wait_{0};
  std::chrono::steady_clock::time_point next_try_{};
  // Timers are members, so their work cannot outlive this server.
  std::unique_ptr<platform::LoopTimer> retry_timer_;
  std::unique_ptr<platform::LoopTimer> registration_timer_;
  std::unique_ptr<platform::LoopTimer> keep_alive_timer_;
  std::chrono::steady_clock::time_point last_heard_{};
  bool ping_sent_ = false;

  // The nick the player's character gives; a fallback replaces it for one connection only.
  std::string preferred_nick_;
  std::string assigned_nick_;   // NickName as this object last set it
  std::size_t nick_limit_ = 0;  // 0 until the server tells (432 or NICKLEN)
  int nick_tries_ = 0;
  std::string channel_types_ = "#&";
  std::string nick_prefixes_ = "@+";
  std::string server_error_;  // the last "ERROR" text, shown once until a registration
  bool ctcp_drop_logged_ = false;
};

}  // namespace ostravel

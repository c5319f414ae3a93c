#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostravel {

struct Context;

// Turns the text an IRC server sends into events: cuts the stream into lines (keeping an
// incomplete last line for the next chunk), splits each line into prefix, command and
// parameters, and raises one event per recognised command, CTCP request or numeric reply.
// Everything else is dropped. The parser sends nothing and shows nothing.
//
// Lines follow RFC 1459/2812: the last parameter is the trailing one with or without its colon,
// and an IRCv3 "@tags " section in front is skipped.
class IRCParser {
 public:
  // The events, one per recognised line. The views are valid during the call only.
  class Events {
   public:
    virtual ~Events() = default;
    virtual void Parser_Ping(std::string_view Params) = 0;
    virtual void Parser_Nick(std::string_view OldNick, std::string_view NewNick) = 0;
    virtual void Parser_Quit(std::string_view Nick, std::string_view Reason) = 0;
    virtual void Parser_Join(std::string_view Nick, std::string_view Channel) = 0;
    virtual void Parser_Part(std::string_view Nick, std::string_view Channel) = 0;
    virtual void Parser_Kick(std::string_view Nick, std::string_view Channel,
                             std::string_view Kicker, std::string_view Reason) = 0;
    virtual void Parser_PrivMsg(std::string_view Sender, std::string_view Recipient,
                                std::string_view Message) = 0;
    virtual void Parser_NoticeVersion(std::string_view Nick, std::string_view Version) = 0;
    virtual void Parser_CTCPAction(std::string_view Sender, std::string_view Recipient,
                                   std::string_view Action) = 0;
    virtual void Parser_CTCPPing(std::string_view Sender, std::string_view Params) = 0;
    virtual void Parser_CTCPTime(std::string_view Sender) = 0;
    virtual void Parser_CTCPVersion(std::string_view Sender) = 0;
    virtual void Parser_RPLWhoisUser(std::string_view Nick, std::string_view User,
                                     std::string_view Host, std::string_view Real) = 0;
    virtual void Parser_RPLTopic(std::string_view Channel, std::string_view Topic) = 0;
    virtual void Parser_RPLNameReply(std::string_view Channel,
                                     const std::vector<std::string_view>& Nicks) = 0;
    virtual void Parser_RPLEndOfMotd() = 0;
    virtual void Parser_ERRBannedFromChan(std::string_view Nick, std::string_view Channel) = 0;
    // 433, and 436 and 437, which a fallback nick answers the same way.
    virtual void Parser_ERRNickNameInUse() = 0;

    // 001: registration is through, under the nick the server names.
    virtual void Parser_RPLWelcome(std::string_view Nick) = 0;
    // 005: the "KEY=value" tokens of the server's limits.
    virtual void Parser_RPLISupport(const std::vector<std::string_view>& Tokens) = 0;
    // 432: the nick is not allowed (too long, or a character the server refuses).
    virtual void Parser_ERRErroneousNickName(std::string_view Nick, std::string_view Text) = 0;
    // The refusals of a join or of a line: 401, 403, 404, 405, 442, 471, 473, 475, 477, 489.
    virtual void Parser_ERRRefused(std::string_view Code, std::string_view Target,
                                   std::string_view Text) = 0;
    // "ERROR :reason", the server's last words before it closes the connection.
    virtual void Parser_Error(std::string_view Reason) = 0;
    // A notice that is not a CTCP reply.
    virtual void Parser_Notice(std::string_view Sender, std::string_view Recipient,
                               std::string_view Message) = 0;
    // Somebody changed a channel's topic.
    virtual void Parser_Topic(std::string_view Nick, std::string_view Channel,
                              std::string_view Topic) = 0;
  };

  // A line without its end grows no further than this; the rest of it is dropped.
  static constexpr std::size_t kMaxLineLength = 64 * 1024;

  // Lines are read as UTF-8 when they are valid UTF-8, else from the code page of ctx.
  IRCParser(Context& ctx, Events& events);

  // Takes one chunk of received text, cut anywhere, and raises the events of every complete
  // line in it, in order, before it returns.
  void Parse(std::string_view strData);

  // What followed the last line terminator so far.
  const std::string& Pending() const { return pending_; }
  // Forgets the incomplete line: what a new connection sends must not be glued to the end of
  // the old one.
  void Reset();

 private:
  void HandleLine(std::string_view bytes);
  void DropLongLine();
  void ParseMessage(std::string_view line);
  void IRCCommand(std::string_view prefix, std::string_view command, std::string_view params);

  Context& ctx_;
  Events& events_;
  std::string pending_;
  std::string decoded_;                   // a line that came in the code page
  std::string joined_;                    // a line begun in an earlier chunk
  std::vector<std::string_view> nicks_;   // reused for every name reply and limits list
  std::vector<std::string_view> params_;  // reused for every line split into its parameters
  bool dropping_ = false;                 // inside a line that grew too long
  bool reset_ = false;                    // Reset() came from an event: the rest is stale
};

}  // namespace ostravel

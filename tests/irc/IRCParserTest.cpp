#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <span>
#include <utility>

#include "common/Context.h"
#include "irc/IRCParser.h"
#include "support/RecordingEvents.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using test::RecordingEvents;

class IRCParserTest : public ::testing::Test {
 protected:
  IRCParserTest() : ctx(env.Env()) { ctx.ACHooks = hooks; }

  std::vector<std::string> ParseOne(const std::string& line) {
    events.events.clear();
    parser.Parse(line + "\r\n");
    return events.events;
  }
  // Each line alone raises its one event ("" for none), and nothing is logged.
  void ExpectEachAlone(std::span<const std::pair<const char*, const char*>> cases) {
    for (const auto& [line, event] : cases) {
      if (*event == '\0') {
        EXPECT_THAT(ParseOne(line), IsEmpty()) << line;
      } else {
        EXPECT_THAT(ParseOne(line), ElementsAre(event)) << line;
      }
    }
    EXPECT_THAT(LogLines(), IsEmpty());
  }
  std::vector<std::string> LogLines() const {
    return test::ReadCrLfLines(env.folder.Path() / "log.txt");
  }

  test::TestEnvironment env;
  Context ctx;
  std::shared_ptr<test::RecordingHooks> hooks = std::make_shared<test::RecordingHooks>();
  RecordingEvents events;
  IRCParser parser{ctx, events};
};

// Each line alone raises its one event (or none, for ""), and nothing is logged.
TEST_F(IRCParserTest, RecognisesEachCommandAndItsFields) {
  const std::pair<const char*, const char*> cases[] = {
      {"PING :irc.test", "Ping(:irc.test)"},
      {":n!u@h NICK :m", "Nick(n|m)"},
      {":n!u@h QUIT :gone away", "Quit(n|:gone away)"},
      {":n!u@h JOIN :#chan", "Join(n|#chan)"},
      {":n!u@h JOIN #chan", "Join(n|#chan)"},
      {":n!u@h PART #chan :bye now", "Part(n|#chan)"},
      {":k!u@h KICK #c v :bye", "Kick(v|#c|k|bye)"},
      {":k!u@h KICK #c v", "Kick(v|#c|k|)"},
      {":n!u@h PRIVMSG #c :hi there", "PrivMsg(n|#c|hi there)"},
      {":n!u@h privmsg #c :lower case", "PrivMsg(n|#c|lower case)"},
      {":srv PRIVMSG me :from a server", "PrivMsg(|me|from a server)"},
      {":n!u@h PRIVMSG me :\001ACTION waves\001", "CTCPAction(n|me|waves)"},
      {":n!u@h PRIVMSG me :\001PING 12345\001", "CTCPPing(n|12345)"},
      {":n!u@h PRIVMSG me :\001PING\001", "CTCPPing(n|PING)"},
      {":n!u@h PRIVMSG me :\001TIME\001", "CTCPTime(n)"},
      {":n!u@h PRIVMSG me :\001version\001", "CTCPVersion(n)"},
      {":n!u@h PRIVMSG me :\001FINGER\001", ""},
      {":n!u@h NOTICE me :\001VERSION mIRC 6.2\001", "NoticeVersion(n|mIRC 6.2)"},
      {":n!u@h NOTICE me :\001VERSION\001", ""},
      {":srv NOTICE me :plain notice", "Notice(|me|plain notice)"},
      {":n!u@h NOTICE me :psst", "Notice(n|me|psst)"},
      {":n!u@h TOPIC #c :new topic", "Topic(n|#c|new topic)"},
      {"ERROR :Closing Link: me (Bad Password)", "Error(Closing Link: me (Bad Password))"},
      {":srv 001 Ostra_Vel :Welcome", "RPLWelcome(Ostra_Vel)"},
      {":srv 005 me NICKLEN=9 CHANTYPES=#& PREFIX=(ov)@+ :are supported by this server",
       "RPLISupport(NICKLEN=9|CHANTYPES=#&|PREFIX=(ov)@+)"},
      {":srv 432 * Ostra_Vel_Long :Erroneous nickname",
       "ERRErroneousNickName(Ostra_Vel_Long|Erroneous nickname)"},
      {":srv 436 * bob :Nickname collision", "ERRNickNameInUse()"},
      {":srv 437 * bob :Nick/channel is temporarily unavailable", "ERRNickNameInUse()"},
      {":srv 404 me #c :Cannot send to channel", "ERRRefused(404|#c|Cannot send to channel)"},
      {":srv 475 me #k :Cannot join channel (+k) -- Wrong channel key",
       "ERRRefused(475|#k|Cannot join channel (+k) -- Wrong channel key)"},
      {":srv 401 me nobody :No such nick or channel name",
       "ERRRefused(401|nobody|No such nick or channel name)"},
      {":srv 311 me bob ~b host * :Bob Real", "RPLWhoisUser(bob|User|Host|Bob Real)"},
      {":srv 332 me #c :the topic", "RPLTopic(#c|the topic)"},
      {":srv 353 me = #c :a @b +c", "RPLNameReply(#c|a|@b|+c)"},
      {":srv 376 me :End of MOTD", "RPLEndOfMotd()"},
      {":srv 433 * bob :Nickname already in use", "ERRNickNameInUse()"},
      {":srv 474 me #c :Cannot join channel (+b)", "ERRBannedFromChan(me|#c)"},
      {":srv MODE #c +o n", ""},
      {"  :n!u@h   PRIVMSG   #c :spaced  ", "PrivMsg(n|#c|spaced)"},
      {":n!u PRIVMSG #c :caf\xC3\xA9", "PrivMsg(n|#c|caf\xC3\xA9)"},
      {":n!u PRIVMSG #c :caf\xE9", "PrivMsg(n|#c|caf\xC3\xA9)"},  // not UTF-8: the code page
      // RFC 1459/2812 let a server leave the colon off a last parameter of one word, and
      // IRCv3 servers put tags in front of a line.
      {":n!u PRIVMSG #c hi", "PrivMsg(n|#c|hi)"},
      {":k!u KICK #c me spam", "Kick(me|#c|k|spam)"},
      {":srv 332 me #c topic", "RPLTopic(#c|topic)"},
      {":srv 353 me = #c alone", "RPLNameReply(#c|alone)"},
      {":srv 311 me bob ~b host * Bob", "RPLWhoisUser(bob|User|Host|Bob)"},
      {":n!u NOTICE me psst", "Notice(n|me|psst)"},
      {":n!u PRIVMSG #c :a :colon inside", "PrivMsg(n|#c|a :colon inside)"},
      {"@time=2026-12-06T12:00:00.000Z;msgid=x :n!u PRIVMSG #c :tagged", "PrivMsg(n|#c|tagged)"},
      {"@a=b PING :x", "Ping(:x)"},
      {"@a=b  :n!u JOIN #c", "Join(n|#c)"},
  };
  ExpectEachAlone(cases);
}

// Every numeric the parser reads, and commands that only look like one: a numeric is exactly
// three digits, as servers write them.
TEST_F(IRCParserTest, ReadsEachNumericByItsThreeDigitsOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {":srv 422 me :MOTD File is missing", "RPLEndOfMotd()"},
      {":srv 403 me #x :No such channel", "ERRRefused(403|#x|No such channel)"},
      {":srv 405 me #x :Too many", "ERRRefused(405|#x|Too many)"},
      {":srv 442 me #x :Not on it", "ERRRefused(442|#x|Not on it)"},
      {":srv 471 me #x :Full", "ERRRefused(471|#x|Full)"},
      {":srv 473 me #x :Invite only", "ERRRefused(473|#x|Invite only)"},
      {":srv 477 me #x :Register first", "ERRRefused(477|#x|Register first)"},
      {":srv 489 me #x :TLS only", "ERRRefused(489|#x|TLS only)"},
      {":srv 0376 me :End", ""},
      {":srv 37 me :End", ""},
      {":srv 3760 me :End", ""},
      {":srv 1 me :Welcome", ""},
      {":srv 00a me :x", ""},
      {":srv 402 me x :No such server", ""},
      {":srv 375 me :- start of MOTD", ""},
      {":n!u PRIVMSGS #c :near miss", ""},
      {":n!u Notice me :mixed case", "Notice(n|me|mixed case)"},
  };
  ExpectEachAlone(cases);
}

TEST_F(IRCParserTest, LinesThatCannotBeSplitAreLoggedButNotShown) {
  EXPECT_THAT(ParseOne("PING"), IsEmpty());
  EXPECT_THAT(ParseOne(":server.only"), IsEmpty());
  EXPECT_THAT(ParseOne(":srv 376"), IsEmpty());
  EXPECT_THAT(ParseOne(":n!u PRIVMSG #c :ok"), ElementsAre("PrivMsg(n|#c|ok)"));
  const auto log = LogLines();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_THAT(log[0], HasSubstr("Error in IRCParser.ParseMessage. Number: 5"));
  EXPECT_TRUE(hooks->chat.empty());
}

TEST_F(IRCParserTest, EveryKindOfTerminatorEndsALineAndEmptyLinesAreSkipped) {
  parser.Parse("PING :A\r\n\r\nPING :B\r\nPING :C\n\nPING :D\rPING :E\n\rPING :F\r");
  parser.Parse("\nPING :G\r\n");
  EXPECT_THAT(events.events, ElementsAre("Ping(:A)", "Ping(:B)", "Ping(:C)", "Ping(:D)", "Ping(:E)",
                                         "Ping(:F)", "Ping(:G)"));
}

TEST_F(IRCParserTest, AChunkEndingInCrDoesNotLookPastItsEnd) {
  // The chunk is a view into a larger buffer whose next byte is the LF of the same terminator.
  const std::string buffer = "PING :a\r\nPING :b\r\n";
  parser.Parse(std::string_view(buffer).substr(0, 8));
  parser.Parse(std::string_view(buffer).substr(8));
  EXPECT_THAT(events.events, ElementsAre("Ping(:a)", "Ping(:b)"));
  EXPECT_EQ(parser.Pending(), "");
  EXPECT_THAT(LogLines(), IsEmpty());
}

TEST_F(IRCParserTest, GivesTheSameEventsHoweverTheStreamIsCut) {
  const std::string stream =
      ":srv 353 me = #c :a @b +c\r\n:n!u@h PRIVMSG #c :hello\r\nPING :x\n:n!u@h PRIVMSG me "
      ":\001ACTION waves\001\r\n:srv 376 me :End\r";
  RecordingEvents whole_events;
  IRCParser whole(ctx, whole_events);
  whole.Parse(stream);
  ASSERT_EQ(whole_events.events.size(), 5u);
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    for (std::size_t second = cut; second <= stream.size(); second += 7) {
      RecordingEvents cut_events;
      IRCParser pieces(ctx, cut_events);
      pieces.Parse(stream.substr(0, cut));
      pieces.Parse(stream.substr(cut, second - cut));
      pieces.Parse(stream.substr(second));
      ASSERT_EQ(cut_events.events, whole_events.events) << "cut at " << cut << ", " << second;
    }
  }
}

TEST_F(IRCParserTest, ALineLongerThanTheLimitIsDroppedOnceAndTheStreamGoesOn) {
  const std::string head = ":n!u PRIVMSG #c :";
  const std::string longest(IRCParser::kMaxLineLength - head.size(), 'x');
  parser.Parse(head + longest.substr(0, 30000));
  parser.Parse(longest.substr(30000) + "\r\n");
  ASSERT_EQ(events.events.size(), 1u);
  EXPECT_EQ(events.events[0].size(), std::string("PrivMsg(n|#c|)").size() + longest.size());

  // Fed in pieces, one endless line: dropped when it passes the limit, and its tail with it.
  events.events.clear();
  for (int i = 0; i < 40; ++i) parser.Parse(std::string(4096, 'y'));
  EXPECT_LE(parser.Pending().size(), IRCParser::kMaxLineLength);
  parser.Parse("tail\r\nPING :after\r\n");
  // In one piece, too.
  parser.Parse(head + std::string(IRCParser::kMaxLineLength, 'z') + "\r\nPING :next\r\n");
  EXPECT_THAT(events.events, ElementsAre("Ping(:after)", "Ping(:next)"));
  const auto log = LogLines();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_THAT(log[0], HasSubstr("dropped a line longer than 65536 bytes"));
}

TEST_F(IRCParserTest, ResetForgetsThePartialLineEvenFromInsideAnEvent) {
  parser.Parse(":n!u PRIVMSG #c :cut by the dro");
  parser.Reset();
  parser.Parse("PING :new\r\n");
  EXPECT_THAT(events.events, ElementsAre("Ping(:new)"));

  // A connection that ends while one of its lines is handled takes the rest of the chunk along.
  struct Resetting : RecordingEvents {
    IRCParser* parser = nullptr;
    void Parser_Error(std::string_view r) override {
      RecordingEvents::Parser_Error(r);
      parser->Reset();
    }
  } resetting;
  IRCParser ending(ctx, resetting);
  resetting.parser = &ending;
  ending.Parse("ERROR :bye\r\nPING :stale\r\n:n!u PRIVMSG #c :half");
  ending.Parse("PING :fresh\r\n");
  EXPECT_THAT(resetting.events, ElementsAre("Error(bye)", "Ping(:fresh)"));
}

TEST_F(IRCParserTest, AnErrorInAHandlerIsLoggedAndTheNextLineStillParsed) {
  struct Throwing : RecordingEvents {
    void Parser_Ping(std::string_view) override { throw Error(91, "gone"); }
  } throwing;
  IRCParser failing(ctx, throwing);
  failing.Parse("PING :x\r\n:srv 376 me :End\r\n");
  EXPECT_THAT(throwing.events, ElementsAre("RPLEndOfMotd()"));
  ASSERT_EQ(LogLines().size(), 1u);
  EXPECT_THAT(LogLines()[0], HasSubstr("Error in IRCParser.IRCCommand. Number: 91"));
}

}  // namespace
}  // namespace ostravel

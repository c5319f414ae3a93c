#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Context.h"
#include "irc/IRCParser.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Writes every event down as "Name(arg|arg|...)".
class RecordingEvents : public IRCParser::Events {
 public:
  void Parser_Ping(std::string_view p) override { Add("Ping", {p}); }
  void Parser_Nick(std::string_view o, std::string_view n) override { Add("Nick", {o, n}); }
  void Parser_Quit(std::string_view n, std::string_view r) override { Add("Quit", {n, r}); }
  void Parser_Join(std::string_view n, std::string_view c) override { Add("Join", {n, c}); }
  void Parser_Part(std::string_view n, std::string_view c) override { Add("Part", {n, c}); }
  void Parser_Kick(std::string_view n, std::string_view c, std::string_view k,
                   std::string_view r) override {
    Add("Kick", {n, c, k, r});
  }
  void Parser_PrivMsg(std::string_view s, std::string_view r, std::string_view m) override {
    Add("PrivMsg", {s, r, m});
  }
  void Parser_NoticeVersion(std::string_view n, std::string_view v) override {
    Add("NoticeVersion", {n, v});
  }
  void Parser_CTCPAction(std::string_view s, std::string_view r, std::string_view a) override {
    Add("CTCPAction", {s, r, a});
  }
  void Parser_CTCPPing(std::string_view s, std::string_view p) override { Add("CTCPPing", {s, p}); }
  void Parser_CTCPTime(std::string_view s) override { Add("CTCPTime", {s}); }
  void Parser_CTCPVersion(std::string_view s) override { Add("CTCPVersion", {s}); }
  void Parser_RPLWhoisUser(std::string_view n, std::string_view u, std::string_view h,
                           std::string_view r) override {
    Add("RPLWhoisUser", {n, u, h, r});
  }
  void Parser_RPLTopic(std::string_view c, std::string_view t) override { Add("RPLTopic", {c, t}); }
  void Parser_RPLNameReply(std::string_view c, const std::vector<std::string_view>& n) override {
    std::vector<std::string_view> args{c};
    args.insert(args.end(), n.begin(), n.end());
    Add("RPLNameReply", args);
  }
  void Parser_RPLEndOfMotd() override { Add("RPLEndOfMotd", {}); }
  void Parser_ERRBannedFromChan(std::string_view n, std::string_view c) override {
    Add("ERRBannedFromChan", {n, c});
  }
  void Parser_ERRNickNameInUse() override { Add("ERRNickNameInUse", {}); }

  std::vector<std::string> events;

 private:
  void Add(const char* name, std::vector<std::string_view> args) {
    std::string text = std::string(name) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? "|" : "") + std::string(args[i]);
    events.push_back(text + ")");
  }
};

class IRCParserTest : public ::testing::Test {
 protected:
  IRCParserTest() : ctx(env.Env()) { ctx.ACHooks = hooks; }

  std::vector<std::string> ParseOne(const std::string& line) {
    events.events.clear();
    parser.Parse(line + "\r\n");
    return events.events;
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

struct LineCase {
  const char* line;
  const char* event;  // "" when the line raises nothing
};

TEST_F(IRCParserTest, RecognisesEachCommandAndItsFields) {
  const LineCase cases[] = {
      {"PING :irc.test", "Ping(:irc.test)"},
      {":n!u@h NICK :m", "Nick(n|m)"},
      {":n!u@h QUIT :gone away", "Quit(n|:gone away)"},
      {":n!u@h JOIN :#chan", "Join(n|#chan)"},
      {":n!u@h JOIN #chan", "Join(n|#chan)"},
      {":n!u@h PART #chan :bye now", "Part(n|#chan)"},
      {":k!u@h KICK #c v :bye", "Kick(v|#c|k|bye)"},
      {":k!u@h KICK #c v", "Kick(|#c|k|)"},
      {":n!u@h PRIVMSG #c :hi there", "PrivMsg(n|#c|hi there)"},
      {":n!u@h privmsg #c :lower case", "PrivMsg(n|#c|lower case)"},
      {":srv PRIVMSG me :from a server", "PrivMsg(|me|from a server)"},
      {":n!u@h PRIVMSG me :\x01"
       "ACTION waves\x01",
       "CTCPAction(n|me|waves)"},
      {":n!u@h PRIVMSG me :\x01"
       "PING 12345\x01",
       "CTCPPing(n|12345)"},
      {":n!u@h PRIVMSG me :\x01"
       "PING\x01",
       "CTCPPing(n|PING)"},
      {":n!u@h PRIVMSG me :\x01"
       "TIME\x01",
       "CTCPTime(n)"},
      {":n!u@h PRIVMSG me :\x01"
       "version\x01",
       "CTCPVersion(n)"},
      {":n!u@h PRIVMSG me :\x01"
       "FINGER\x01",
       ""},
      {":n!u@h NOTICE me :\x01"
       "VERSION mIRC 6.2\x01",
       "NoticeVersion(n|mIRC 6.2)"},
      {":n!u@h NOTICE me :\x01"
       "VERSION\x01",
       ""},
      {":srv NOTICE me :plain notice", ""},
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
  };
  for (const auto& c : cases) {
    const auto raised = ParseOne(c.line);
    if (*c.event == '\0') {
      EXPECT_THAT(raised, IsEmpty()) << c.line;
    } else {
      EXPECT_THAT(raised, ElementsAre(c.event)) << c.line;
    }
  }
  EXPECT_THAT(LogLines(), IsEmpty());
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
      ":\x01"
      "ACTION waves\x01\r\n:srv 376 me :End\r";
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

TEST_F(IRCParserTest, HasNoLineLengthLimit) {
  const std::string text(100000, 'x');
  parser.Parse(":n!u PRIVMSG #c :" + text.substr(0, 50000));
  parser.Parse(text.substr(50000) + "\r\n");
  ASSERT_EQ(events.events.size(), 1u);
  EXPECT_EQ(events.events[0].size(), std::string("PrivMsg(n|#c|)").size() + text.size());
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

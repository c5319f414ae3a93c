// CTCP: the answers to other clients' requests, their limit, and what is shown of actions and
// version replies.
#include "irc/IRCServerFixture.h"

namespace ostravel {
namespace {

using test::FakeIRCServerTest;
using ::testing::ElementsAre;

TEST_F(FakeIRCServerTest, RequestsAreAnsweredAndActionsAndRepliesShown) {
  server->Channels.Add("#other", "o", 5, false);
  Registered();
  for (const char* line : {
           ":ann!a@h PRIVMSG #Other :\x01"
           "ACTION waves\x01",
           ":ann!a@h PRIVMSG Bob :\x01"
           "ACTION winks\x01",
           ":ann!a@h NOTICE Bob :\x01"
           "VERSION mIRC 6.2\x01",
           ":ann!a@h PRIVMSG Bob :\x01"
           "VERSION\x01",
           ":ann!a@h PRIVMSG Bob :\x01"
           "TIME\x01",
           ":ann!a@h PRIVMSG Bob :\x01"
           "PING 99\x01",
       }) {
    network.Receive(line);
  }
  EXPECT_THAT(Written(3), ElementsAre("NOTICE ann :\x01"
                                      "VERSION Ostravel 3.0.0.10\x01",
                                      "NOTICE ann :\x01"
                                      "TIME 12/6/2026 6:37:19 AM\x01",
                                      "NOTICE ann :\x01"
                                      "PING 99\x01"));
  std::vector<std::string> shown;
  for (const auto& line : hooks->chat)
    shown.push_back(std::to_string(line.color) + " " + line.text);
  EXPECT_THAT(shown, ElementsAre("5 OV>> * ann waves", "14 OV>> [IRC] * ann winks",
                                 "7 OV>> ann version reply: mIRC 6.2"));
}

// A flood of requests gets a few answers and nothing more, and the player's own line goes ahead
// of those still waiting.
TEST_F(FakeIRCServerTest, AFloodOfRequestsGetsThreeAnswers) {
  Registered();
  for (int i = 0; i < 20; ++i) {
    network.Receive(":ann!a@h PRIVMSG Bob :\x01PING " + std::to_string(i) + "\x01");
  }
  server->CTCPVersion("ann");
  EXPECT_THAT(Written(4),
              ElementsAre("NOTICE ann :\x01PING 0\x01", "NOTICE ann :\x01PING 1\x01",
                          "PRIVMSG ann :\x01VERSION\x01", "NOTICE ann :\x01PING 2\x01"));
}

}  // namespace
}  // namespace ostravel

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
           ":ann!a@h PRIVMSG #Other :\001ACTION waves\001",
           ":ann!a@h PRIVMSG Bob :\001ACTION winks\001",
           ":ann!a@h NOTICE Bob :\001VERSION mIRC 6.2\001",
           ":ann!a@h PRIVMSG Bob :\001VERSION\001",
           ":ann!a@h PRIVMSG Bob :\001TIME\001",
           ":ann!a@h PRIVMSG Bob :\001PING 99\001",
       }) {
    network.Receive(line);
  }
  EXPECT_THAT(Written(3), ElementsAre("NOTICE ann :\001VERSION Ostravel 3.0.0.10\001",
                                      "NOTICE ann :\001TIME 12/6/2026 6:37:19 AM\001",
                                      "NOTICE ann :\001PING 99\001"));
  EXPECT_THAT(ColouredChat(), ElementsAre("5 OV>> * ann waves", "14 OV>> [IRC] * ann winks",
                                          "7 OV>> ann version reply: mIRC 6.2"));
}

// A flood of requests gets a few answers and nothing more, and the player's own line goes ahead
// of those still waiting.
TEST_F(FakeIRCServerTest, AFloodOfRequestsGetsThreeAnswers) {
  Registered();
  for (int i = 0; i < 20; ++i) {
    network.Receive(":ann!a@h PRIVMSG Bob :\001PING " + std::to_string(i) + "\001");
  }
  server->CTCPVersion("ann");
  EXPECT_THAT(Written(4),
              ElementsAre("NOTICE ann :\001PING 0\001", "NOTICE ann :\001PING 1\001",
                          "PRIVMSG ann :\001VERSION\001", "NOTICE ann :\001PING 2\001"));
}

}  // namespace
}  // namespace ostravel

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "common/Context.h"
#include "support/AsioHttpServer.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"
#include "web/WebRequest.h"

namespace ostravel {
namespace {

using test::AsioHttpServer;
using Reply = AsioHttpServer::Reply;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::Pair;

class WebRequestTest : public ::testing::Test {
 protected:
  // A body of fields written as "key=value&key=value".
  wire::FormBody Body(std::string_view fields) const {
    wire::FormBody body(*env.code_page);
    while (!fields.empty()) {
      const std::string_view pair = fields.substr(0, fields.find('&'));
      fields.remove_prefix(std::min(fields.size(), pair.size() + 1));
      const std::size_t equals = std::min(pair.find('='), pair.size());
      body.Add(pair.substr(0, equals), pair.substr(std::min(pair.size(), equals + 1)));
    }
    return body;
  }

  WebRequestTest() : ctx(env.Env()) {
    ctx.ACHooks = hooks;
    connection = request.Response.Connect([this](const std::string& text, const std::string& cb) {
      responses.emplace_back(text, cb);
    });
  }

  std::vector<std::string> LogLines() const {
    return test::ReadCrLfLines(env.folder.Path() / "log.txt");
  }

  test::TestEnvironment env;
  Context ctx;
  std::shared_ptr<test::RecordingHooks> hooks = std::make_shared<test::RecordingHooks>();
  WebRequest request{ctx};
  std::vector<std::pair<std::string, std::string>> responses;
  host::Connection connection;
  test::AsioHttpServer server;
};

TEST_F(WebRequestTest, PostsTheEncodedBodyWithItsHeadersAndAnswersWithTheCallback) {
  server.Answer("/member.php", "Name: Bob  Level: 5\ncaf\xE9");
  request.Post("/member.php", Body("CID=1"), "Print");  // no server configured: nothing is sent
  EXPECT_EQ(request.ReadyState(), 0);
  request.Post(server.Url() + "member.php", Body("CID=1&args=whois Bob"), "Print");
  EXPECT_EQ(request.ReadyState(), 1);
  ASSERT_TRUE(env.Settle());

  const auto received = server.Requests();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].path, "/member.php");
  EXPECT_EQ(received[0].body, "CID=1&args=whois+Bob");
  EXPECT_EQ(received[0].content_type, "application/x-www-form-urlencoded");
  EXPECT_EQ(received[0].user_agent, "Ostravel 3004");
  EXPECT_THAT(responses, ElementsAre(Pair("Name: Bob  Level: 5\ncaf\xC3\xA9", "Print")));
  EXPECT_EQ(request.ReadyState(), 0);
}

TEST_F(WebRequestTest, APostWhileBusyIsDroppedAndOnlyRefreshUpdateHearsWhy) {
  server.Delay(std::chrono::milliseconds(100));
  server.Answer("/a.php", "");
  request.Post(server.Url() + "a.php", Body("first"), "Draw");
  request.Post(server.Url() + "b.php", Body("timer"), "Draw", WebRequest::Asker::kPlugin);
  EXPECT_TRUE(responses.empty());
  request.Post(server.Url() + "d.php", Body("update"), "RefreshUpdate");
  EXPECT_THAT(responses,
              ElementsAre(Pair("Server busy or unavaliable. Please wait a little before trying "
                               "again.",
                               "PrintResponse")));
  ASSERT_TRUE(env.Settle());
  EXPECT_TRUE(hooks->chat.empty());  // the player's own commands hear why (ChatCommandsTest)
  EXPECT_EQ(server.RequestCount(), 1u);
  ASSERT_EQ(responses.size(), 2u);
  EXPECT_THAT(responses[1], Pair("", "Draw"));
}

TEST_F(WebRequestTest, ReleasingTheObjectDropsTheRequestInFlight) {
  server.Delay(std::chrono::milliseconds(100));
  bool answered = false;
  {
    WebRequest doomed(ctx);
    auto connection_alive =
        doomed.Response.Connect([&](const std::string&, const std::string&) { answered = true; });
    doomed.Post(server.Url() + "a.php", Body("x"), "Print");
  }
  EXPECT_EQ(env.http->InFlight(), 0u);
  env.loop.RunFor(std::chrono::milliseconds(300));
  EXPECT_FALSE(answered);
}

TEST_F(WebRequestTest, AFailureAnswersEmptyAndIsToldInChatOnceAMinuteAndLoggedEachTime) {
  // Another page's request object shares the state: one outage is one line.
  WebRequest other(ctx);
  const auto fail = [&](WebRequest& through) {
    through.Post("http://127.0.0.1:1/member.php", Body("x"), "Draw");  // nothing listens on port 1
    ASSERT_TRUE(env.Settle());
  };
  fail(request);
  EXPECT_THAT(responses, ElementsAre(Pair("", "Draw")));
  EXPECT_EQ(request.ReadyState(), 0);
  const std::string line =
      "The allegiance service at http://127.0.0.1:1/ did not answer (connection refused). Lists "
      "will refresh when it answers again.";
  ASSERT_EQ(hooks->chat.size(), 1u);
  EXPECT_EQ(hooks->chat[0].text, "OV>> " + line);
  EXPECT_EQ(hooks->chat[0].color, 7);
  EXPECT_THAT(LogLines(), ElementsAre(EndsWith("] " + line)));
  fail(other);
  env.clock.monotonic_ms += 59'999;
  fail(request);
  EXPECT_EQ(hooks->chat.size(), 1u);
  env.clock.monotonic_ms += 1;
  fail(other);
  EXPECT_EQ(hooks->chat.size(), 2u);
  EXPECT_EQ(LogLines().size(), 4u);

  // An error page is no answer, and another reason is another failure.
  server.Respond("/member.php", Reply::Status(500, "<h1>Internal Server Error</h1>"));
  request.Post(server.Url() + "member.php", Body("x"), "Print");
  ASSERT_TRUE(env.Settle());
  EXPECT_THAT(responses.back(), Pair("", "Print"));
  ASSERT_EQ(hooks->chat.size(), 3u);
  EXPECT_EQ(hooks->chat[2].text, "OV>> The allegiance service at " + server.Url() +
                                     " gave no usable answer (HTTP status 500). Lists will "
                                     "refresh when it answers again.");
}

}  // namespace
}  // namespace ostravel

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "common/Context.h"
#include "support/AsioHttpServer.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"
#include "web/Settings.h"
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

// A key as the service makes them: 43 characters of base64url.
std::string KeyOf(char c) {
  return std::string(42, c) + "_";
}

Reply WithHeaders(int status, std::string body, std::vector<std::string> lines) {
  Reply reply = Reply::Status(status, std::move(body));
  reply.header_lines = std::move(lines);
  return reply;
}

// The settings of two characters who share the folder, each with its key.
constexpr const char* kTwoCharacters =
    R"(<s><update><character name="Ann" shareinfo="False" autoupdate="True">)"
    R"(<key cid="11" value="aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa_"/></character>)"
    R"(<character name="Bob" shareinfo="True" autoupdate="True">)"
    R"(<key cid="22" value="bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb_"/>)"
    R"(<key cid="33" value="short"/></character></update></s>)";

TEST_F(WebRequestTest, TheLoggedInCharactersKeyGoesWithEachRequestAndTheBodyStaysAsItWas) {
  env.WriteSettings(kTwoCharacters);
  server.Answer("/member.php", "Name: Bob");
  const std::pair<std::int32_t, std::optional<std::string>> cases[] = {
      {11, KeyOf('a')}, {22, KeyOf('b')}, {33, std::nullopt}, {44, std::nullopt}, {11, KeyOf('a')}};
  for (const auto& [cid, key] : cases) {
    SCOPED_TRACE(cid);
    ctx.CharacterID = cid;
    request.Post(server.Url() + "member.php", Body("CID=" + std::to_string(cid) + "&args=x y"),
                 "Print");
    ASSERT_TRUE(env.Settle());
    const auto sent = server.Requests().back();
    EXPECT_EQ(sent.Header("x-ostravel-key"), key);
    EXPECT_EQ(sent.body, "CID=" + std::to_string(cid) + "&args=x+y");
  }
  EXPECT_EQ(responses.size(), 5u);
  EXPECT_TRUE(hooks->chat.empty());
}

TEST_F(WebRequestTest, AGivenKeyIsKeptBesideTheBoxesAndSentFromThenOnAlsoAfterARestart) {
  env.WriteSettings(R"(<s><update><character name="Ann" shareinfo="False" autoupdate="True"/>)"
                    R"(</update><irc/></s>)");
  ctx.CharacterID = 11;
  ctx.CharacterName = "Ann";
  server.Respond("/message.php", WithHeaders(200, "motd", {"X-Ostravel-Key: " + KeyOf('k')}));
  request.Post(server.Url() + "message.php", Body("CID=11"), "Print");
  ASSERT_TRUE(env.Settle());
  EXPECT_THAT(responses, ElementsAre(Pair("motd", "Print")));
  EXPECT_EQ(server.Requests().back().Header("x-ostravel-key"), std::nullopt);
  const std::string kept = test::ReadFile(env.folder.Path() / "Ostravel.xml");
  EXPECT_NE(kept.find(R"(<character name="Ann" shareinfo="False" autoupdate="True">)"),
            std::string::npos)
      << kept;
  EXPECT_EQ(Settings(env.Env()).CharacterKey(11), KeyOf('k'));
  EXPECT_NE(kept.find("<irc"), std::string::npos);

  // Header values that are no key are neither kept nor sent.
  for (const std::string& bad : {std::string("tooshort"), std::string(129, 'x'), KeyOf('q') + "=",
                                 std::string("abcdefgh ijklmnopq"), KeyOf('q') + ",x"}) {
    SCOPED_TRACE(bad);
    server.Respond("/message.php", WithHeaders(200, "motd", {"X-Ostravel-Key: " + bad}));
    request.Post(server.Url() + "message.php", Body("CID=11"), "Print");
    ASSERT_TRUE(env.Settle());
    EXPECT_EQ(server.Requests().back().Header("x-ostravel-key"), KeyOf('k'));
    EXPECT_EQ(test::ReadFile(env.folder.Path() / "Ostravel.xml"), kept);
  }
  Context restarted(env.Env());
  restarted.CharacterID = 11;
  WebRequest after_restart(restarted);
  after_restart.Post(server.Url() + "message.php", Body("CID=11"), "Print");
  ASSERT_TRUE(env.Settle());
  EXPECT_EQ(server.Requests().back().Header("x-ostravel-key"), KeyOf('k'));
}

// Two game clients in one folder, each keeping its character's key while the other writes the
// file: the keys and the Update page's boxes all stay.
TEST_F(WebRequestTest, TwoClientsInOneFolderKeepBothKeys) {
  env.WriteSettings("<s><update/></s>");
  Context other(env.Env());
  WebRequest other_request(other);
  ctx.CharacterID = 11;
  ctx.CharacterName = "Ann";
  other.CharacterID = 22;
  other.CharacterName = "Bob";
  server.Respond("/ann.php", WithHeaders(200, "", {"X-Ostravel-Key: " + KeyOf('a')}));
  server.Respond("/bob.php", WithHeaders(200, "", {"X-Ostravel-Key: " + KeyOf('b')}));
  request.Post(server.Url() + "ann.php", Body("CID=11"), "Draw");
  other_request.Post(server.Url() + "bob.php", Body("CID=22"), "Draw");
  ASSERT_TRUE(env.Settle());
  Settings(env.Env()).SaveCharacterBoxes("Ann", {false, false});  // Ann's client stops
  const Settings file(env.Env());
  EXPECT_EQ(file.CharacterKey(11), KeyOf('a'));
  EXPECT_EQ(file.CharacterKey(22), KeyOf('b'));
  std::vector<std::string> boxes;
  file.LoadCharacterBoxes("Ann", [&](const CharacterBoxes& read) {
    boxes.push_back(std::to_string(read.shareinfo) + std::to_string(read.autoupdate));
  });
  EXPECT_THAT(boxes, ElementsAre("00"));
  request.Post(server.Url() + "ann.php", Body("CID=11"), "Draw");
  other_request.Post(server.Url() + "bob.php", Body("CID=22"), "Draw");
  ASSERT_TRUE(env.Settle());
  const auto sent = server.Requests();
  ASSERT_EQ(sent.size(), 4u);
  for (const auto& request_sent : {sent[2], sent[3]}) {
    EXPECT_EQ(request_sent.Header("x-ostravel-key"),
              KeyOf(request_sent.path == "/ann.php" ? 'a' : 'b'));
  }
}

// Right after a first login every page asks at once; each answer brings the same key, which is
// written once.
TEST_F(WebRequestTest, EightFirstRequestsAtOnceAreAllAnsweredAndLeaveOneKey) {
  env.WriteSettings("<s><update/></s>");
  ctx.CharacterID = 11;
  ctx.CharacterName = "Ann";
  server.Respond("/member.php", WithHeaders(200, "ok", {"X-Ostravel-Key: " + KeyOf('k')}));
  std::vector<std::unique_ptr<WebRequest>> pages;
  std::vector<host::Connection> connections;
  for (int i = 0; i < 8; ++i) {
    pages.push_back(std::make_unique<WebRequest>(ctx));
    connections.push_back(
        pages.back()->Response.Connect([this](const std::string& text, const std::string& cb) {
          responses.emplace_back(text, cb);
        }));
    pages.back()->Post(server.Url() + "member.php", Body("CID=11"), "Draw");
  }
  ASSERT_TRUE(env.Settle());
  EXPECT_EQ(responses, decltype(responses)(8, {"ok", "Draw"}));
  const std::string file = test::ReadFile(env.folder.Path() / "Ostravel.xml");
  EXPECT_EQ(file.find("<key"), file.rfind("<key")) << file;
  EXPECT_EQ(Settings(env.Env()).CharacterKey(11), KeyOf('k'));
}

// The key and the refusals belong to the service's own server: another one that a redirect
// leads to gets no key, and what it says about keys counts for nothing.
TEST_F(WebRequestTest, ARedirectToAnotherServerDropsTheKeyAndItsKeyOrRefusalCountsForNothing) {
  env.WriteSettings(kTwoCharacters);
  ctx.CharacterID = 11;
  AsioHttpServer other;
  server.Respond("/member.php", Reply::RedirectTo(307, other.Url() + "member.php"));
  other.Respond("/member.php",
                WithHeaders(403, "Your key is wrong.",
                            {"X-Ostravel-Key: " + KeyOf('x'), "X-Ostravel-Refused: key"}));
  request.Post(server.Url() + "member.php", Body("CID=11"), "Draw");
  ASSERT_TRUE(env.Settle());
  EXPECT_EQ(server.Requests().back().Header("x-ostravel-key"), KeyOf('a'));
  EXPECT_EQ(other.Requests().back().Header("x-ostravel-key"), std::nullopt);
  EXPECT_EQ(Settings(env.Env()).CharacterKey(11), KeyOf('a'));
  EXPECT_THAT(responses, ElementsAre(Pair("", "Draw")));  // an ordinary failure
  ASSERT_EQ(hooks->chat.size(), 1u);
  EXPECT_THAT(hooks->chat[0].text, ::testing::HasSubstr("(HTTP status 403)"));
}

TEST_F(WebRequestTest, ARefusalForWhoIsAskingIsOneLineInChatOnceAMinuteAndNoAnswer) {
  WebRequest other(ctx);
  struct Case {
    std::vector<std::string> headers;
    std::string body;
    std::string line;  // in chat, without the prefix; "" for an ordinary failure
  };
  const Case cases[] = {
      {{"X-Ostravel-Refused: key"},
       "  Your key is wrong: ask an officer to reset it.\r\nsecond line",
       "Your key is wrong: ask an officer to reset it."},
      {{"X-Ostravel-Refused: allegiance"},
       "This is the service of Sable Guard \xE9.",
       "This is the service of Sable Guard \xC3\xA9."},
      {{"X-Ostravel-Refused: key"},
       "",
       "The allegiance service refused this character's key; ask an officer to reset it."},
      {{"X-Ostravel-Refused: allegiance"},
       "\n",
       "The allegiance service serves only its own allegiance."},
      // A line too long for chat is cut before the character that would cross 500 bytes.
      {{"X-Ostravel-Refused: key"}, std::string(499, 'x') + "\xE9tail", std::string(499, 'x')},
      {{"X-Ostravel-Refused: something"}, "no", ""},
      {{}, "forbidden", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 60));
    env.clock.monotonic_ms += 60'000;
    hooks->chat.clear();
    responses.clear();
    server.Respond("/member.php", WithHeaders(403, c.body, c.headers));
    for (WebRequest* through : {&request, &other, &request}) {
      through->Post(server.Url() + "member.php", Body("CID=11"), "Draw");
      ASSERT_TRUE(env.Settle());
      EXPECT_EQ(through->ReadyState(), 0);
    }
    ASSERT_EQ(hooks->chat.size(), 1u);
    if (c.line.empty()) {
      EXPECT_THAT(hooks->chat[0].text, ::testing::HasSubstr("(HTTP status 403)"));
      EXPECT_EQ(responses.size(), 2u);  // the fixture hears its own object only
    } else {
      EXPECT_EQ(hooks->chat[0].text, "OV>> " + c.line);
      EXPECT_EQ(hooks->chat[0].color, 7);
      EXPECT_TRUE(responses.empty());
    }
  }
  // The same line again once its minute is over.
  env.clock.monotonic_ms += 60'000;
  server.Respond("/member.php", WithHeaders(403, "", {"X-Ostravel-Refused: key"}));
  request.Post(server.Url() + "member.php", Body("CID=11"), "Draw");
  ASSERT_TRUE(env.Settle());
  EXPECT_EQ(hooks->chat.size(), 2u);
  // A refusal is the player's business, not an error of the plug-in: only the two ordinary
  // failures' three requests each are logged.
  EXPECT_EQ(LogLines().size(), 6u);
}

}  // namespace
}  // namespace ostravel

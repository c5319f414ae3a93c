// The WinHTTP client against a local asio server: the same behaviours as the Linux client.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "support/AsioHttpServer.h"

namespace ostravel::platform {
namespace {

using namespace std::chrono_literals;
using test::AsioHttpServer;
using Reply = AsioHttpServer::Reply;

const std::vector<std::string> kHeaders = {"Content-Type: application/x-www-form-urlencoded",
                                           "User-Agent: Ostravel 3004"};
// Bytes as WebRequest sends them: plain ASCII, "é" escaped as its 1252 byte.
const std::string kBody = "CID=1&args=caf%E9+list";

class HttpClientWinTest : public ::testing::Test {
 protected:
  std::optional<HttpResponse> PostAndWait(const std::string& url,
                                          std::chrono::milliseconds limit = 10s) {
    std::optional<HttpResponse> answer;
    client->Post(url, kHeaders, kBody, [&](HttpResponse response) {
      EXPECT_EQ(std::this_thread::get_id(), loop_thread);
      answer = std::move(response);
    });
    loop.RunUntil([&] { return answer.has_value(); }, limit);
    return answer;
  }

  const std::thread::id loop_thread = std::this_thread::get_id();
  EventLoop loop;
  std::unique_ptr<HttpClient> client = HttpClient::Create(loop);
  AsioHttpServer server;
};

TEST_F(HttpClientWinTest, SendsTheHeadersAndBodyBytesAndHandsBackTheRawAnswer) {
  server.Answer("/member.php", "Name: Zo\xEB  Level: 12\n");
  const auto answer = PostAndWait(server.Url() + "member.php");
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->transferred);
  EXPECT_EQ(answer->status, 200);
  EXPECT_EQ(answer->body, "Name: Zo\xEB  Level: 12\n");
  EXPECT_EQ(answer->error, "");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].path, "/member.php");
  EXPECT_EQ(requests[0].body, kBody);
  EXPECT_EQ(requests[0].content_type, "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[0].user_agent, "Ostravel 3004");
  EXPECT_EQ(client->InFlight(), 0u);
}

TEST_F(HttpClientWinTest, RedirectsGoOnAsGetOrRepeatThePost) {
  struct Case {
    int status;
    const char* method;
    std::string body;
  };
  const Case cases[] = {
      {301, "GET", ""},     {302, "GET", ""},     {303, "GET", ""},
      {307, "POST", kBody}, {308, "POST", kBody},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    const std::string from = "/old" + std::to_string(c.status) + ".php";
    const std::string to = "/new" + std::to_string(c.status) + ".php";
    server.Respond(from, Reply::RedirectTo(c.status, to));
    server.Answer(to, "Name: Bob");
    const std::size_t before = server.RequestCount();

    const auto answer = PostAndWait(server.Url() + from.substr(1));
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->transferred);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body, "Name: Bob");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), before + 2);
    EXPECT_EQ(requests[before].body, kBody);
    EXPECT_EQ(requests[before + 1].path, to);
    EXPECT_EQ(requests[before + 1].method, c.method);
    EXPECT_EQ(requests[before + 1].body, c.body);
    EXPECT_EQ(requests[before + 1].user_agent, "Ostravel 3004");
  }
}

TEST_F(HttpClientWinTest, FiveRedirectsAreFollowedAndTheSixthFails) {
  for (int hop = 0; hop < 5; ++hop) {
    server.Respond("/hop" + std::to_string(hop),
                   Reply::RedirectTo(307, server.Url() + "hop" + std::to_string(hop + 1)));
  }
  server.Answer("/hop5", "arrived");
  const auto five = PostAndWait(server.Url() + "hop0");
  ASSERT_TRUE(five);
  EXPECT_TRUE(five->transferred);
  EXPECT_EQ(five->body, "arrived");

  server.Respond("/loop", Reply::RedirectTo(302, "loop"));  // relative to the same folder
  const std::size_t before = server.RequestCount();
  const auto looped = PostAndWait(server.Url() + "loop");
  ASSERT_TRUE(looped);
  EXPECT_FALSE(looped->transferred);
  EXPECT_EQ(looped->error, "too many redirects");
  EXPECT_EQ(looped->body, "");
  EXPECT_EQ(server.RequestCount() - before, 6u);
}

TEST_F(HttpClientWinTest, ARedirectMayGoToAnotherServer) {
  AsioHttpServer moved;
  moved.Answer("/member.php", "Name: Alice");
  server.Respond("/member.php", Reply::RedirectTo(308, moved.Url() + "member.php"));
  const auto answer = PostAndWait(server.Url() + "member.php");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->body, "Name: Alice");
  const auto requests = moved.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, kBody);
}

TEST_F(HttpClientWinTest, AnErrorStatusIsHandedOnAsItCame) {
  server.Respond("/member.php", Reply::Status(500, "<h1>Internal Server Error</h1>"));
  const auto answer = PostAndWait(server.Url() + "member.php");
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->transferred);
  EXPECT_EQ(answer->status, 500);
  EXPECT_EQ(answer->body, "<h1>Internal Server Error</h1>");
}

TEST_F(HttpClientWinTest, AnAnswerOverTheLimitStopsTheTransfer) {
  for (const bool chunked : {false, true}) {
    SCOPED_TRACE(chunked ? "chunked" : "with length");
    server.Respond("/member.php", Reply::Generated(5 * 1024 * 1024, chunked));
    const auto answer = PostAndWait(server.Url() + "member.php");
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->transferred);
    EXPECT_EQ(answer->error, "answer larger than 4194304 bytes");
    EXPECT_EQ(answer->body.size(), 0u);
  }
  server.Respond("/member.php", Reply::Generated(4 * 1024 * 1024, true));
  const auto at_limit = PostAndWait(server.Url() + "member.php");
  ASSERT_TRUE(at_limit);
  EXPECT_TRUE(at_limit->transferred);
  EXPECT_EQ(at_limit->body.size(), 4u * 1024 * 1024);
}

TEST_F(HttpClientWinTest, AFailureSaysWhatWentWrongAndCarriesNoBody) {
  server.Respond("/ftp.php", Reply::RedirectTo(302, "ftp://127.0.0.1/member.php"));
  server.Answer("/slow.php", "too late");
  const std::pair<std::string, std::string> cases[] = {
      {server.Url() + "ftp.php", "redirect to a scheme other than http or https refused"},
      {"http://127.0.0.1:1/member.php", "connection refused"},
      {server.Url() + "slow.php", "timed out"}};
  for (const auto& [url, error] : cases) {
    SCOPED_TRACE(url);
    const bool times_out = error == "timed out";
    if (times_out) {
      server.Delay(5s);
      client = HttpClient::Create(loop, {200ms, 300ms});
    }
    const auto started = std::chrono::steady_clock::now();
    const auto answer = PostAndWait(url, times_out ? 4s : 10s);
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->transferred);
    EXPECT_EQ(answer->error, error);
    EXPECT_EQ(answer->body, "");
    if (times_out) {
      EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    }
    // The refused redirect is not followed.
    if (url.ends_with("ftp.php")) {
      EXPECT_EQ(server.RequestCount(), 1u);
    }
  }
}

TEST_F(HttpClientWinTest, AnAbortedOrOrphanedRequestNeverCompletes) {
  server.Answer("/member.php", "late");
  server.Delay(300ms);
  bool completed = false;
  const auto id = client->Post(server.Url() + "member.php", kHeaders, kBody,
                               [&](HttpResponse) { completed = true; });
  EXPECT_EQ(client->InFlight(), 1u);
  client->Abort(id);
  EXPECT_EQ(client->InFlight(), 0u);
  client->Post(server.Url() + "member.php", kHeaders, kBody,
               [&](HttpResponse) { completed = true; });
  client.reset();  // the second one is dropped with its client
  loop.RunFor(800ms);
  EXPECT_FALSE(completed);
}

}  // namespace
}  // namespace ostravel::platform

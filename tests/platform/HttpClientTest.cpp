#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "support/RecordingServer.h"

namespace ostravel::platform {
namespace {

using test::RecordingServer;
using Reply = RecordingServer::Reply;

const std::vector<std::string> kHeaders = {"Content-Type: application/x-www-form-urlencoded",
                                           "User-Agent: Ostravel 3004"};
// Bytes as WebRequest sends them: plain ASCII, with a code-page escape in it.
const std::string kBody = "CID=1&args=caf%E9+list";

class HttpClientTest : public ::testing::Test {
 protected:
  // Posts and runs the loop until the answer is in (at most `limit`); nullopt if it is not.
  std::optional<HttpResponse> PostAndWait(
      const std::string& url, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::optional<HttpResponse> answer;
    client->Post(url, kHeaders, kBody,
                 [&](HttpResponse response) { answer = std::move(response); });
    loop.RunUntil([&] { return answer.has_value(); }, limit);
    return answer;
  }

  EventLoop loop;
  std::unique_ptr<HttpClient> client = HttpClient::Create(loop);
  RecordingServer server;
};

TEST_F(HttpClientTest, RedirectsGoOnAsGetOrRepeatThePost) {
  struct Case {
    int status;
    const char* method;  // of the request the new address gets
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
    EXPECT_EQ(requests[before].method, "POST");
    EXPECT_EQ(requests[before].body, kBody);
    EXPECT_EQ(requests[before + 1].path, to);
    EXPECT_EQ(requests[before + 1].method, c.method);
    EXPECT_EQ(requests[before + 1].body, c.body);
    EXPECT_EQ(requests[before + 1].user_agent, "Ostravel 3004");
  }
}

TEST_F(HttpClientTest, FiveRedirectsAreFollowedAndTheSixthFails) {
  for (int hop = 0; hop < 5; ++hop) {
    server.Respond("/hop" + std::to_string(hop),
                   Reply::RedirectTo(307, "/hop" + std::to_string(hop + 1)));
  }
  server.Answer("/hop5", "arrived");
  const auto five = PostAndWait(server.Url() + "hop0");
  ASSERT_TRUE(five);
  EXPECT_TRUE(five->transferred);
  EXPECT_EQ(five->body, "arrived");

  server.Respond("/loop", Reply::RedirectTo(302, "/loop"));
  const std::size_t before = server.RequestCount();
  const auto loop_answer = PostAndWait(server.Url() + "loop");
  ASSERT_TRUE(loop_answer);
  EXPECT_FALSE(loop_answer->transferred);
  EXPECT_EQ(loop_answer->error, "too many redirects");
  EXPECT_EQ(loop_answer->body, "");
  EXPECT_EQ(server.RequestCount() - before, 6u);  // the first request and five redirects
}

TEST_F(HttpClientTest, AnAnswerOverTheLimitStopsTheTransfer) {
  // With and without an announced length: the first fails before the body, the second
  // while it arrives.
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

TEST_F(HttpClientTest, AnAddressWithoutHttpIsNotSent) {
  for (const char* url : {"member.php", "ftp://127.0.0.1/member.php"}) {
    SCOPED_TRACE(url);
    const auto answer = PostAndWait(url);
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->transferred);
    EXPECT_EQ(answer->error, "not an http or https address");
  }
}

// A request after an idle spell must wake the worker at once. The bound is far above any
// local answer and well below the worker's one-second poll, so a request that waits for the
// poll to run out fails it.
TEST_F(HttpClientTest, EachRequestAfterTheFirstIsTakenUpAtOnce) {
  server.Answer("/member.php", "ok");
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    const auto answer = PostAndWait(server.Url() + "member.php", std::chrono::milliseconds(500));
    ASSERT_TRUE(answer) << "no answer within 500 ms";
    EXPECT_EQ(answer->body, "ok");
  }
}

#ifdef __linux__
// Makes the kernel forget this process's peak resident memory (VmHWM) so far.
void ForgetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

long ReadStatusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with(key + ":")) return std::stol(line.substr(key.size() + 1));
  }
  return -1;
}

TEST_F(HttpClientTest, AHugeAnswerDoesNotTakeMemory) {
  // 74 MB, as a member list once came: the server makes it as it goes, so what this process
  // holds at its peak is what the client kept.
  server.Respond("/member.php", Reply::Generated(74 * 1000 * 1000, true));
  ForgetPeak();
  const long before_kb = ReadStatusKb("VmRSS");
  ASSERT_GT(before_kb, 0);
  const auto answer = PostAndWait(server.Url() + "member.php");
  const long peak_kb = ReadStatusKb("VmHWM");
  ASSERT_TRUE(answer);
  EXPECT_FALSE(answer->transferred);
  EXPECT_EQ(answer->error, "answer larger than 4194304 bytes");
  EXPECT_EQ(answer->body.size(), 0u);
  // The 4 MiB the client may hold, doubled while its buffer grows, and some room (more under
  // AddressSanitizer, which keeps freed memory for a while); the whole answer is 72 MiB.
#ifdef __SANITIZE_ADDRESS__
  constexpr long kBoundKb = 64 * 1024;
#else
  constexpr long kBoundKb = 24 * 1024;
#endif
  EXPECT_LT(peak_kb - before_kb, kBoundKb);
}
#endif

}  // namespace
}  // namespace ostravel::platform

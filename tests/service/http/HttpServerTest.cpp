// The server on real sockets, with a trivial handler: what it hands on, the limits, slow and
// stalled clients, broken requests, and a stop with requests in flight.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "service/http/HttpServer.h"
#include "service/http/RawHttpClient.h"
#include "service/http/SharedLog.h"

namespace ostravel::service {
namespace {

using namespace std::chrono_literals;
using test::RawHttpClient;

HttpResponse Echo(const HttpRequest& request) {
  if (request.body == "throw") throw std::runtime_error("the database is gone");
  HttpResponse response;
  response.body = request.method + "|" + request.path + "|" + request.query + "|" +
                  request.content_type + "|" + request.remote_address + "|" + request.body;
  response.log_detail = "list";
  return response;
}

class HttpServerTest : public ::testing::Test {
 protected:
  void StartServer(HttpServerOptions options = {}, HttpHandler handler = Echo) {
    options.port = 0;
    server = std::make_unique<HttpServer>(options, std::move(handler), log);
    port = server->Start();
  }

  // One request on a connection of its own; the status, or 0 when none came.
  int StatusOf(const std::string& request, const std::string& source = "127.0.0.1") {
    RawHttpClient client(port, source);
    client.Send(request);
    const auto reply = client.Read();
    return reply ? reply->status : 0;
  }
  // One more request on an open connection, answered 200.
  static void ExpectServed(RawHttpClient& client) {
    client.Send(RawHttpClient::Post("/member.php", "CID=1"));
    const auto reply = client.Read();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
  }

  test::SharedLog log;
  std::unique_ptr<HttpServer> server;
  uint16_t port = 0;
};

TEST_F(HttpServerTest, HandsTheRequestOnAndLogsItWithoutItsText) {
  StartServer();
  RawHttpClient client(port);
  client.Send(RawHttpClient::Post("/message.php?x=1", "CID=7&args=send+Bob+secret+words"));
  auto reply = client.Read();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 200);
  EXPECT_EQ(reply->body,
            "POST|/message.php|x=1|application/x-www-form-urlencoded|127.0.0.1|"
            "CID=7&args=send+Bob+secret+words");
  EXPECT_EQ(reply->Header("Content-Type"), "text/plain");

  // Kept alive: the next request on the same connection.
  client.Send("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  reply = client.Read();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->body, "GET|/|||127.0.0.1|");

  ASSERT_TRUE(log.WaitFor(" 127.0.0.1 GET / list 200 "));
  const std::string text = log.Text();
  EXPECT_NE(text.find(" 127.0.0.1 POST /message.php list 200 "), std::string::npos) << text;
  EXPECT_EQ(text.find("secret"), std::string::npos) << text;
}

TEST_F(HttpServerTest, BrokenAndOversizedRequestsGetTheirStatusAndTheServerGoesOn) {
  StartServer();
  const std::string biggest(64 * 1024, 'a');
  EXPECT_EQ(StatusOf(RawHttpClient::Post("/update.php", biggest)), 200);

  // Refused on its headers, before the body is sent.
  RawHttpClient large(port);
  const std::string tooLarge = RawHttpClient::Post("/update.php", biggest + "a");
  large.Send(tooLarge.substr(0, tooLarge.size() - biggest.size() - 1));
  const auto refused = large.Read();
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 413);
  EXPECT_TRUE(log.WaitFor("POST /update.php - 413 "));
  EXPECT_NE(log.Text().find("body over 65536 bytes"), std::string::npos);

  // Each broken or oversized request gets its answer, and the next one is served.
  struct Case {
    const char* what;
    std::string request;
    int status;  // 0: the connection is closed
  };
  const std::string chunk = "10000\r\n" + std::string(0x10000, 'a') + "\r\n";
  const Case cases[] = {
      {"a chunked body that runs over",
       "POST /update.php HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n" + chunk +
           chunk + "0\r\n\r\n",
       413},
      {"headers over 8 KiB",
       RawHttpClient::Post("/member.php", "", "X-Filler: " + std::string(9000, 'x') + "\r\n"), 431},
      {"two lengths",
       "POST /member.php HTTP/1.1\r\nHost: a\r\nContent-Length: 2\r\nContent-Length: 4\r\n\r\nab",
       400},
      {"a header without a colon", "POST /x HTTP/1.1\r\nHost: a\r\nNoColon\r\n\r\n", 400},
      {"a length that is no number", "POST /x HTTP/1.1\r\nHost: a\r\nContent-Length: x\r\n\r\n",
       400},
      {"no version", "GARBAGE\r\n\r\n", 0},
      {"the handler throws", RawHttpClient::Post("/member.php", "throw"), 500},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StatusOf(c.request), c.status) << c.what;
    EXPECT_EQ(StatusOf(RawHttpClient::Post("/member.php", "CID=1")), 200) << "after " << c.what;
  }
  EXPECT_TRUE(log.WaitFor("error: handler failed on /member.php from 127.0.0.1: the database"));
}

TEST_F(HttpServerTest, AnAddressOverItsRateGets429WithRetryAfterAndOthersDoNot) {
  HttpServerOptions options;
  options.request_burst_per_address = 3;
  options.requests_per_second_per_address = 0.01;
  StartServer(options);
  RawHttpClient client(port, "127.0.0.2");
  for (int i = 0; i < 3; ++i) ExpectServed(client);
  client.Send(RawHttpClient::Post("/member.php", "CID=1"));
  const auto refused = client.Read();
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 429);
  EXPECT_EQ(refused->Header("Retry-After"), "100");
  EXPECT_EQ(StatusOf(RawHttpClient::Post("/member.php", "CID=1"), "127.0.0.3"), 200);
  EXPECT_TRUE(log.WaitFor("127.0.0.2 POST /member.php - 429 "));
  EXPECT_NE(log.Text().find("rate limit, retry after 100 s"), std::string::npos);
}

TEST_F(HttpServerTest, BehindATrustedProxyTheForwardedClientCountsAndOnlyThere) {
  HttpServerOptions options;
  options.request_burst_per_address = 1;
  options.requests_per_second_per_address = 0.01;
  options.max_connections_per_address = 2;
  options.trusted_proxy = "127.0.0.6";
  StartServer(options);
  const auto from = [](const std::string& client) {
    return RawHttpClient::Post("/member.php", "CID=1",
                               "X-Forwarded-For: 10.9.9.9, " + client + "\r\n");
  };
  // More connections from the proxy than the cap per address, each a client of its own.
  std::vector<std::unique_ptr<RawHttpClient>> open;
  for (const char* client : {"203.0.113.1", "203.0.113.2", "203.0.113.3"}) {
    open.push_back(std::make_unique<RawHttpClient>(port, "127.0.0.6"));
    open.back()->Send(from(client));
    const auto reply = open.back()->Read();
    ASSERT_TRUE(reply) << client;
    EXPECT_EQ(reply->status, 200) << client;
    EXPECT_NE(reply->body.find("|" + std::string(client) + "|"), std::string::npos);
  }
  EXPECT_EQ(StatusOf(from("203.0.113.1"), "127.0.0.6"), 429);
  EXPECT_TRUE(log.WaitFor(" 203.0.113.2 POST /member.php list 200 ")) << log.Text();
  // From any other address the header is only a header.
  EXPECT_EQ(StatusOf(from("203.0.113.4"), "127.0.0.7"), 200);
  EXPECT_EQ(StatusOf(from("203.0.113.5"), "127.0.0.7"), 429);
}

TEST_F(HttpServerTest, AnAddressGetsNoMoreConnectionsThanItsCap) {
  HttpServerOptions options;
  options.max_connections_per_address = 4;
  StartServer(options);
  std::vector<std::unique_ptr<RawHttpClient>> open;
  for (int i = 0; i < 4; ++i) {
    open.push_back(std::make_unique<RawHttpClient>(port, "127.0.0.4"));
    ExpectServed(*open.back());  // answered, so the server has counted it, and kept open
  }
  RawHttpClient fifth(port, "127.0.0.4");
  EXPECT_TRUE(fifth.ClosedWithin(10s));
  EXPECT_TRUE(log.WaitFor("error: refused a connection from 127.0.0.4: 4 open from that address"))
      << log.Text();
  EXPECT_EQ(StatusOf(RawHttpClient::Post("/member.php", "CID=1"), "127.0.0.5"), 200);
  ExpectServed(*open.front());
}

TEST_F(HttpServerTest, StalledClientsDoNotKeepOthersWaiting) {
  StartServer();
  const std::string request = RawHttpClient::Post("/member.php", std::string(100, 'a'));
  // Cut in the request line, in the headers and in the body, from 120 addresses.
  const std::size_t cuts[] = {10, 60, request.size() - 50};
  std::vector<std::unique_ptr<RawHttpClient>> stalled;
  for (int i = 0; i < 120; ++i) {
    stalled.push_back(std::make_unique<RawHttpClient>(port, "127.0.1." + std::to_string(i + 1)));
    stalled.back()->Send(request.substr(0, cuts[i % 3]));
  }
  RawHttpClient client(port);
  client.Send(RawHttpClient::Post("/member.php", "CID=1"));
  const auto reply = client.Read(2s);
  ASSERT_TRUE(reply) << "no answer within 2 s beside 120 stalled connections";
  EXPECT_EQ(reply->status, 200);
}

TEST_F(HttpServerTest, SlowAndSilentConnectionsAreClosed) {
  HttpServerOptions options;
  options.request_timeout_seconds = 1;
  options.idle_timeout_seconds = 1;
  StartServer(options);
  RawHttpClient silent(port);
  EXPECT_TRUE(silent.ClosedWithin(10s));

  // A byte every 100 ms keeps the connection from ever being idle, but not alive.
  RawHttpClient trickle(port, "127.0.0.6");
  const std::string request = RawHttpClient::Post("/member.php", std::string(200, 'a'));
  bool closed = false;
  for (std::size_t i = 0; i < request.size() && !closed; ++i) {
    closed = !trickle.Send(request.substr(i, 1)) || trickle.ClosedWithin(100ms);
  }
  EXPECT_TRUE(closed);
  EXPECT_TRUE(log.WaitFor("with no complete request within 1 s, from 127.0.0.6"));
}

TEST_F(HttpServerTest, StopFinishesTheRequestsInFlight) {
  constexpr int kClients = 6;
  std::atomic<int> entered = 0;
  HttpServerOptions options;
  options.threads = kClients;
  StartServer(options, [&](const HttpRequest& request) {
    ++entered;
    std::this_thread::sleep_for(500ms);
    return Echo(request);
  });
  std::atomic<int> answered = 0;
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&] {
      RawHttpClient client(port);
      client.Send(RawHttpClient::Post("/member.php", "CID=1"));
      if (const auto reply = client.Read(); reply && reply->status == 200) ++answered;
    });
  }
  while (entered < kClients) std::this_thread::sleep_for(5ms);
  server->Stop();
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(answered, kClients);
  EXPECT_THROW(RawHttpClient{port}, std::runtime_error);
  server->Stop();
}

TEST_F(HttpServerTest, TheHeaderLimitTakesExactlyItsBytes) {
  StartServer();
  // The request line and headers of RawHttpClient::Post with a filler header of `filler` bytes.
  const auto request = [](std::size_t filler) {
    return RawHttpClient::Post("/member.php", "CID=1",
                               "X-Filler: " + std::string(filler, 'x') + "\r\n");
  };
  const std::size_t base = request(0).size() - std::string("CID=1").size();
  const std::size_t exact = 8 * 1024 - base;
  EXPECT_EQ(StatusOf(request(exact)), 200);
  EXPECT_EQ(StatusOf(request(exact + 1)), 431);
}

TEST_F(HttpServerTest, AnAnswerThatWaitsHoldsUpNoOtherConnectionAndIsNotCut) {
  HttpServerOptions options;
  options.threads = 1;  // every connection on the one worker
  options.request_timeout_seconds = 1;
  std::mutex mutex;
  std::vector<HttpRespond> waiting;
  server = std::make_unique<HttpServer>(
      options,
      [&](const HttpRequest& request, HttpRespond respond) {
        if (request.path != "/wait") return respond(Echo(request));
        const std::lock_guard lock(mutex);
        waiting.push_back(std::move(respond));
      },
      log);
  port = server->Start();
  RawHttpClient slow(port);
  slow.Send(RawHttpClient::Post("/wait", "CID=1"));
  for (bool arrived = false; !arrived; std::this_thread::sleep_for(5ms)) {
    const std::lock_guard lock(mutex);
    arrived = !waiting.empty();
  }
  EXPECT_EQ(StatusOf(RawHttpClient::Post("/member.php", "CID=1")), 200);
  // Past the time a request has to arrive in: a complete one that waits is not cut.
  std::this_thread::sleep_for(2500ms);
  std::thread([respond = waiting.front()] {
    HttpRequest request;
    request.method = "POST";
    request.path = "/wait";
    respond(Echo(request));
  }).join();
  const auto reply = slow.Read();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 200);
  EXPECT_EQ(log.Text().find("no complete request"), std::string::npos) << log.Text();
}

TEST_F(HttpServerTest, NearTheCapIdleConnectionsMakeRoomForANewClient) {
  HttpServerOptions options;
  options.max_connections = 60;
  options.max_connections_per_address = 15;
  StartServer(options);
  std::vector<std::unique_ptr<RawHttpClient>> idle;
  for (int address = 0; address < 4; ++address) {
    for (int i = 0; i < 15; ++i) {
      idle.push_back(
          std::make_unique<RawHttpClient>(port, "127.0.2." + std::to_string(address + 1)));
      ExpectServed(*idle.back());  // then kept open, idle
    }
  }
  RawHttpClient fresh(port, "127.0.3.1");
  fresh.Send(RawHttpClient::Post("/member.php", "CID=1"));
  const auto reply = fresh.Read(1s);
  ASSERT_TRUE(reply) << "no answer within 1 s with the cap full of idle connections";
  EXPECT_EQ(reply->status, 200);
}

}  // namespace
}  // namespace ostravel::service

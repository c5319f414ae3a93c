// The Windows socket: asio works on the loop's socket thread, the handlers run on the loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/Error.h"
#include "platform/EventLoop.h"
#include "platform/TcpSocket.h"
#include "platform/TlsCheck.h"
#include "support/AsioHttpServer.h"

namespace ostravel::platform {
namespace {

using namespace std::chrono_literals;

class TcpSocketWinTest : public ::testing::Test {
 protected:
  TcpSocketWinTest() {
    socket->SetHandlers({.connected = [this] { Record("connected"); },
                         .data_arrived = [this](std::string_view bytes) { received += bytes; },
                         .closed_by_peer = [this] { Record("closed"); },
                         .failed = [this](int, const std::string&) { Record("failed"); }});
  }

  void Record(const std::string& event) {
    on_loop_thread = on_loop_thread && std::this_thread::get_id() == loop_thread;
    events.push_back(event);
  }

  const std::thread::id loop_thread = std::this_thread::get_id();
  EventLoop loop;
  std::unique_ptr<TcpSocket> socket = TcpSocket::Create(loop);
  test::AsioHttpServer server;
  std::vector<std::string> events;
  std::string received;
  bool on_loop_thread = true;
};

TEST_F(TcpSocketWinTest, ConnectsSendsReceivesAndSeesThePeerClose) {
  server.Answer("/motd", "hello");
  EXPECT_THROW(socket->SendData("too early"), Error);
  socket->Connect("127.0.0.1", std::to_string(server.Port()));
  EXPECT_EQ(socket->GetState(), TcpSocket::kResolving);
  EXPECT_EQ(socket->RemoteHost(), "127.0.0.1");
  ASSERT_TRUE(loop.RunUntil([&] { return socket->GetState() == TcpSocket::kConnected; }, 5s));

  socket->SendData("GET /motd HTTP/1.1\r\n");
  socket->SendData("Host: x\r\n\r\n");
  ASSERT_TRUE(loop.RunUntil([&] { return !events.empty() && events.back() == "closed"; }, 5s));
  EXPECT_EQ(events, (std::vector<std::string>{"connected", "closed"}));
  EXPECT_TRUE(received.starts_with("HTTP/1.1 200")) << received;
  EXPECT_TRUE(received.ends_with("\r\n\r\nhello")) << received;
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosing);
  EXPECT_TRUE(on_loop_thread);
  socket->Close();
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosed);
}

TEST_F(TcpSocketWinTest, ARefusedConnectionFails) {
  socket->Connect("127.0.0.1", "1");
  ASSERT_TRUE(loop.RunUntil([&] { return !events.empty(); }, 10s));
  EXPECT_EQ(events, (std::vector<std::string>{"failed"}));
  EXPECT_EQ(socket->GetState(), TcpSocket::kError);
}

TEST_F(TcpSocketWinTest, NothingArrivesAfterCloseOrDestruction) {
  server.Answer("/motd", "hello");
  for (const bool destroy : {false, true}) {
    socket->Connect("127.0.0.1", std::to_string(server.Port()));
    ASSERT_TRUE(loop.RunUntil([&] { return socket->GetState() == TcpSocket::kConnected; }, 5s));
    socket->SendData("GET /motd HTTP/1.1\r\n\r\n");
    // The answer is on its way; nobody hears of it.
    if (destroy) {
      socket.reset();
    } else {
      socket->Close();
    }
    loop.RunFor(300ms);
  }
  EXPECT_EQ(events, (std::vector<std::string>{"connected", "connected"}));
  EXPECT_EQ(received, "");
}

// The IRC server with TLS that tests/support/tls-ngircd.sh runs on the Linux side: its port and
// the SHA-256 fingerprint of its self-signed certificate for CN=localhost.
struct TlsServer {
  std::string port;
  std::string fingerprint;
};

class TcpSocketWinTlsTest : public TcpSocketWinTest {
 protected:
  void SetUp() override {
    const char* info = std::getenv("OSTRAVEL_TLS_NGIRCD");
    if (info == nullptr) GTEST_SKIP() << "run by CTest, which starts the TLS server";
    std::string path = info;
    if (path.starts_with("/")) path = "Z:" + path;  // wine's drive for the Linux root
    std::ifstream(path) >> server_.port >> server_.fingerprint;
    ASSERT_EQ(server_.fingerprint.size(), 64u) << "no TLS server described in " << path;
    socket->SetHandlers({.connected = [this] { Record("connected"); },
                         .data_arrived = [this](std::string_view bytes) { received += bytes; },
                         .closed_by_peer = [this] { Record("closed"); },
                         .failed =
                             [this](int number, const std::string& text) {
                               failure_number = number;
                               failure = text;
                             }});
  }

  bool Connect(const std::string& fingerprint) {
    socket->Connect("localhost", server_.port, {.tls = true, .fingerprint = fingerprint});
    return loop.RunUntil(
        [&] { return socket->GetState() == TcpSocket::kConnected || !failure.empty(); }, 10s);
  }

  TlsServer server_;
  std::string failure;
  int failure_number = 0;
};

TEST_F(TcpSocketWinTlsTest, WithThePinnedCertificateLinesGoBothWays) {
  // In the form a person copies from a certificate viewer.
  std::string shown;
  for (std::size_t i = 0; i < 64; i += 2) {
    shown += (i ? ":" : "") + server_.fingerprint.substr(i, 2);
  }
  ASSERT_TRUE(Connect(shown));
  ASSERT_EQ(failure, "");
  EXPECT_EQ(events, (std::vector<std::string>{"connected"}));
  // More than one TLS record's worth at once (16 KiB): PONG lines the server takes silently,
  // then a PING it answers.
  std::string lines = "NICK tlsuser\r\nUSER tls 0 * :TLS user\r\n";
  while (lines.size() < 17000) lines += "PONG :" + std::string(100, 'p') + "\r\n";
  socket->SendData(lines + "PING :last-probe\r\n");
  ASSERT_TRUE(loop.RunUntil([&] { return received.find(":last-probe") != std::string::npos; }, 30s))
      << received;
  EXPECT_NE(received.find(" 001 tlsuser "), std::string::npos) << received;
  EXPECT_NE(received.find(" 372 tlsuser :- hello\r\n"), std::string::npos) << received;
  EXPECT_EQ(socket->GetState(), TcpSocket::kConnected);

  // The server's goodbye arrives whole, then its end of the session.
  socket->SendData("QUIT :done\r\n");
  ASSERT_TRUE(loop.RunUntil([&] { return events.back() == "closed"; }, 10s));
  EXPECT_NE(received.find("ERROR :\"done\"\r\n"), std::string::npos) << received;
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosing);
  EXPECT_EQ(failure, "");
  EXPECT_TRUE(on_loop_thread);
}

TEST_F(TcpSocketWinTlsTest, ACertificateNobodyVouchesForIsRefused) {
  ASSERT_TRUE(Connect(""));
  EXPECT_EQ(failure, TlsUntrustedText("localhost", "self-signed certificate", server_.fingerprint));
  EXPECT_EQ(failure_number, 40100);  // the Linux build's number for a refused TLS connection
  EXPECT_EQ(events, std::vector<std::string>{});
  EXPECT_EQ(socket->GetState(), TcpSocket::kError);
  EXPECT_THROW(socket->SendData("NICK x\r\n"), Error);
}

TEST_F(TcpSocketWinTlsTest, AnotherCertificateThanThePinnedOneIsRefused) {
  std::string other = server_.fingerprint;
  other[0] = other[0] == '0' ? '1' : '0';
  ASSERT_TRUE(Connect(other));
  EXPECT_EQ(failure, TlsFingerprintMismatchText(server_.fingerprint));
  EXPECT_EQ(failure_number, 40100);
  EXPECT_EQ(events, std::vector<std::string>{});
  EXPECT_EQ(socket->GetState(), TcpSocket::kError);
}

TEST_F(TcpSocketWinTlsTest, LinesQueuedWhenTheSocketGoesAwayStillLeaveEncrypted) {
  // A second client in the channel sees what the first one's last lines did.
  std::unique_ptr<TcpSocket> watcher = TcpSocket::Create(loop);
  std::string seen;
  TcpSocket::Handlers handlers;
  handlers.data_arrived = [&](std::string_view bytes) { seen += bytes; };
  watcher->SetHandlers(std::move(handlers));
  watcher->Connect("localhost", server_.port, {.tls = true, .fingerprint = server_.fingerprint});
  ASSERT_TRUE(Connect(server_.fingerprint));
  ASSERT_TRUE(loop.RunUntil([&] { return watcher->GetState() == TcpSocket::kConnected; }, 10s));
  watcher->SendData("NICK watcher\r\nUSER w 0 * :w\r\nJOIN #flush\r\n");
  ASSERT_TRUE(loop.RunUntil([&] { return seen.find(" 366 watcher ") != std::string::npos; }, 10s));
  socket->SendData("NICK leaver\r\nUSER l 0 * :l\r\nJOIN #flush\r\n");
  ASSERT_TRUE(loop.RunUntil([&] { return seen.find(":leaver!") != std::string::npos; }, 10s));

  socket->SendData("PRIVMSG #flush :first\r\n");
  socket->SendData("PRIVMSG #flush :second\r\n");
  socket->SendData("QUIT :gone fishing\r\n");
  socket.reset();
  ASSERT_TRUE(loop.RunUntil([&] { return seen.find(" QUIT ") != std::string::npos; }, 10s));
  EXPECT_NE(seen.find(" PRIVMSG #flush :first\r\n"), std::string::npos) << seen;
  EXPECT_NE(seen.find(" PRIVMSG #flush :second\r\n"), std::string::npos) << seen;
  EXPECT_NE(seen.find(" QUIT :\"gone fishing\"\r\n"), std::string::npos) << seen;
  // The watcher's close runs before the loop goes, as a plug-in's sockets close before its loop.
  watcher.reset();
  loop.RunFor(200ms);
}

}  // namespace
}  // namespace ostravel::platform

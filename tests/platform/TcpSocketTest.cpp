// The TCP client against a plain asio listener on 127.0.0.1 that the test drives by hand.
#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <string>
#include <vector>

#include "common/Error.h"
#include "platform/EventLoop.h"
#include "platform/TcpSocket.h"

#ifndef _WIN32
#include <gmock/gmock.h>
#include <stdlib.h>

#include "platform/TlsCheck.h"
#include "support/NgircdServer.h"
#endif

namespace ostravel::platform {
namespace {

using asio::ip::tcp;
using namespace std::chrono_literals;

class TcpSocketTest : public ::testing::Test {
 protected:
  TcpSocketTest()
      : acceptor(loop.IoContext(), tcp::endpoint(asio::ip::address_v4::loopback(), 0)),
        socket(TcpSocket::Create(loop)) {
    socket->SetHandlers(
        {.connected = [this] { events.push_back("connected"); },
         .data_arrived =
             [this](std::string_view bytes) {
               received += bytes;
               if (on_data) on_data();
             },
         .closed_by_peer = [this] { events.push_back("closed"); },
         .failed = [this](int, const std::string&) { events.push_back("failed"); }});
  }

  std::string Port() const { return std::to_string(acceptor.local_endpoint().port()); }

  // Connects the client and takes the connection on the listener's side.
  tcp::socket ConnectPeer() {
    socket->Connect("127.0.0.1", Port());
    EXPECT_TRUE(loop.RunUntil([&] { return socket->GetState() == TcpSocket::kConnected; }, 5s));
    tcp::socket peer(loop.IoContext());
    acceptor.accept(peer);
    return peer;
  }

  // Runs the loop and reads what reaches `peer` until `count` bytes have come or time is up.
  std::string ReadAtPeer(tcp::socket& peer, std::size_t count,
                         std::chrono::milliseconds timeout = 5s) {
    std::string got;
    peer.non_blocking(true);
    loop.RunUntil(
        [&] {
          std::string chunk(1 << 20, '\0');
          asio::error_code error;
          chunk.resize(peer.read_some(asio::buffer(chunk), error));
          got += chunk;
          // The end of the stream, or a reset, ends the reading too.
          return got.size() >= count || (error && error != asio::error::would_block);
        },
        timeout);
    return got;
  }

  EventLoop loop;
  tcp::acceptor acceptor;
  std::unique_ptr<TcpSocket> socket;
  std::vector<std::string> events;
  std::string received;
  std::function<void()> on_data;
};

TEST_F(TcpSocketTest, CarriesBytesBothWaysInOrder) {
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosed);
  auto peer = ConnectPeer();
  EXPECT_EQ(events, std::vector<std::string>{"connected"});
  EXPECT_EQ(socket->RemoteHost(), "127.0.0.1");

  // Several sends, one far larger than a socket buffer, queue behind each other.
  std::string big(3'000'000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  socket->SendData("one\r\n");
  socket->SendData(big);
  socket->SendData("two\r\n");
  const std::string expected = "one\r\n" + big + "two\r\n";
  EXPECT_TRUE(ReadAtPeer(peer, expected.size()) == expected);

  asio::write(peer, asio::buffer(std::string("PING :x\r\n")));
  EXPECT_TRUE(loop.RunUntil([&] { return received == "PING :x\r\n"; }, 5s)) << received;
}

TEST_F(TcpSocketTest, SendingWhileNotConnectedFailsWithTheControlsError) {
  for (const bool after_close : {false, true}) {
    if (after_close) {
      auto peer = ConnectPeer();
      socket->Close();
      EXPECT_EQ(socket->GetState(), TcpSocket::kClosed);
    }
    try {
      socket->SendData("lost\r\n");
      ADD_FAILURE() << "sent while not connected";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), 40006);
    }
  }
}

TEST_F(TcpSocketTest, BytesQueuedBeforeACloseNeverReachTheNextConnection) {
  auto first = ConnectPeer();
  // The first peer reads nothing, so most of this stays queued in the client.
  for (int i = 0; i < 16; ++i) socket->SendData(std::string(1'000'000, 'o'));
  loop.RunFor(50ms);
  socket->Close();
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosed);

  auto second = ConnectPeer();
  socket->SendData("NICK fresh\r\n");
  EXPECT_EQ(ReadAtPeer(second, 12), "NICK fresh\r\n");
  EXPECT_EQ(ReadAtPeer(second, 1, 100ms), "");  // and nothing of the old queue after it

  // The old connection got part of the old bytes at most, and none of the new ones.
  const std::string old = ReadAtPeer(first, 16'000'001, 2s);
  EXPECT_LT(old.size(), 16'000'000u);
  EXPECT_EQ(old.find_first_not_of('o'), std::string::npos);
}

TEST_F(TcpSocketTest, APeerThatClosesLeavesTheSocketClosingUntilItIsClosed) {
  {
    auto peer = ConnectPeer();
    asio::write(peer, asio::buffer(std::string("bye\r\n")));
  }
  ASSERT_TRUE(loop.RunUntil([&] { return events.size() == 2; }, 5s));
  EXPECT_EQ(events, (std::vector<std::string>{"connected", "closed"}));
  EXPECT_EQ(received, "bye\r\n");
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosing);
  EXPECT_THROW(socket->SendData("x"), Error);
  socket->Close();
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosed);

  // The same socket connects again.
  auto again = ConnectPeer();
  socket->SendData("hi\r\n");
  EXPECT_EQ(ReadAtPeer(again, 4), "hi\r\n");
}

TEST_F(TcpSocketTest, APeerThatResetsWhileBytesAreQueuedIsAnError) {
  auto peer = ConnectPeer();
  for (int i = 0; i < 16; ++i) socket->SendData(std::string(1'000'000, 'o'));
  loop.RunFor(20ms);
  // Closing with a zero linger time resets the connection instead of ending it.
  peer.set_option(asio::socket_base::linger(true, 0));
  peer.close();
  ASSERT_TRUE(loop.RunUntil([&] { return socket->GetState() == TcpSocket::kError; }, 5s))
      << "state " << socket->GetState();
  EXPECT_EQ(events.back(), "failed");
}

TEST_F(TcpSocketTest, ARefusedConnectionIsAnError) {
  const std::string port = Port();
  acceptor.close();
  socket->Connect("127.0.0.1", port);
  EXPECT_NE(socket->GetState(), TcpSocket::kClosed);
  ASSERT_TRUE(loop.RunUntil([&] { return !events.empty(); }, 5s));
  EXPECT_EQ(events, std::vector<std::string>{"failed"});
  EXPECT_EQ(socket->GetState(), TcpSocket::kError);
  socket->Close();
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosed);
}

TEST_F(TcpSocketTest, AHandlerThatClosesTheSocketHearsNothingMore) {
  auto peer = ConnectPeer();
  on_data = [this] { socket->Close(); };
  asio::write(peer, asio::buffer(std::string("first\r\n")));
  ASSERT_TRUE(loop.RunUntil([&] { return !received.empty(); }, 5s));
  asio::error_code ignored;
  asio::write(peer, asio::buffer(std::string("second\r\n")), ignored);
  loop.RunFor(100ms);
  EXPECT_EQ(received, "first\r\n");
  EXPECT_EQ(events, std::vector<std::string>{"connected"});
  EXPECT_EQ(socket->GetState(), TcpSocket::kClosed);
}

#ifndef _WIN32
// TLS against ngircd, whose second port speaks TLS with a self-signed certificate for
// CN=localhost.
class TcpSocketTlsTest : public ::testing::Test {
 protected:
  TcpSocketTlsTest() { Fresh(); }

  // A new socket, and nothing heard yet.
  void Fresh() {
    socket = TcpSocket::Create(loop);
    events.clear();
    received.clear();
    failure.clear();
    failure_number = 0;
    socket->SetHandlers({.connected =
                             [this] {
                               events.push_back("connected");
                               state_when_connected = socket->GetState();
                             },
                         .data_arrived = [this](std::string_view bytes) { received += bytes; },
                         .closed_by_peer = [this] { events.push_back("closed"); },
                         .failed =
                             [this](int number, const std::string& text) {
                               events.push_back("failed");
                               failure_number = number;
                               failure = text;
                             }});
  }

  // Connects and runs the loop until the socket is connected or has failed.
  void Connect(const std::string& host, int port, const TcpSecurity& security) {
    socket->Connect(host, std::to_string(port), security);
    ASSERT_TRUE(loop.RunUntil([&] { return !events.empty(); }, 10s)) << host << ":" << port;
  }

  // Runs the loop until the server has sent `text`.
  bool Await(const std::string& text) {
    return loop.RunUntil([&] { return received.find(text) != std::string::npos; }, 10s);
  }

  static test::NgircdOptions WithTls() {
    test::NgircdOptions options;
    options.tls = true;
    return options;
  }

  test::NgircdServer server{WithTls()};
  EventLoop loop;
  std::unique_ptr<TcpSocket> socket;
  std::vector<std::string> events;
  std::string received;
  int state_when_connected = -1;
  int failure_number = 0;
  std::string failure;
};

TEST_F(TcpSocketTlsTest, WithThePinnedCertificateLinesGoBothWays) {
  // In the form a person copies from a certificate viewer.
  Connect("localhost", server.TlsPort(),
          {.tls = true, .fingerprint = DisplayFingerprint(server.Fingerprint())});
  EXPECT_EQ(events, std::vector<std::string>{"connected"}) << failure;
  EXPECT_EQ(state_when_connected, TcpSocket::kConnected);

  // More than one TLS record's worth in one send, and more sends queued behind it.
  std::string pings;
  for (int i = 0; i < 600; ++i)
    pings += "PING :probe-with-some-length-" + std::to_string(i) + "\r\n";
  ASSERT_GT(pings.size(), 16384u);
  socket->SendData("NICK tlsuser\r\nUSER tls 0 * :TLS user\r\n");
  socket->SendData(pings);
  socket->SendData("PING :last\r\n");
  ASSERT_TRUE(Await(":last\r\n")) << received;
  EXPECT_NE(received.find(" 001 tlsuser "), std::string::npos);
  for (const int i : {0, 299, 599}) {
    EXPECT_NE(received.find(":probe-with-some-length-" + std::to_string(i) + "\r\n"),
              std::string::npos);
  }
  EXPECT_EQ(socket->GetState(), TcpSocket::kConnected);
}

// A TLS connection that cannot be trusted, or is no TLS connection, fails and never carries a
// byte in the clear.
TEST_F(TcpSocketTlsTest, RefusedConnectionsFailWithTheirReason) {
  const std::string& actual = server.Fingerprint();
  std::string other = actual;
  other[0] = other[0] == '0' ? '1' : '0';
  // A plain server that greets at once, as most IRC servers do.
  tcp::acceptor plain(loop.IoContext(), tcp::endpoint(asio::ip::address_v4::loopback(), 0));
  tcp::socket plain_peer(loop.IoContext());
  plain.async_accept(plain_peer, [&](const asio::error_code& error) {
    if (!error) asio::write(plain_peer, asio::buffer(std::string(":irc NOTICE * :hello\r\n")));
  });

  struct Case {
    const char* what;
    std::string host;
    int port;
    std::string fingerprint;
    testing::Matcher<std::string> text;
  };
  const Case cases[] = {
      {"self-signed, nothing pinned", "localhost", server.TlsPort(), "",
       testing::Eq(TlsUntrustedText("localhost", "self-signed certificate", actual))},
      {"another certificate pinned", "localhost", server.TlsPort(), other,
       testing::Eq(TlsFingerprintMismatchText(actual))},
      {"a pin that is no fingerprint", "localhost", server.TlsPort(), "not-a-fingerprint",
       testing::Eq(TlsFingerprintMismatchText(actual))},
      {"a server without TLS", "127.0.0.1", plain.local_endpoint().port(), "",
       testing::StartsWith("TLS: the secure connection failed (")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fresh();
    Connect(c.host, c.port, {.tls = true, .fingerprint = c.fingerprint});
    EXPECT_EQ(events, std::vector<std::string>{"failed"});
    EXPECT_THAT(failure, c.text);
    EXPECT_NE(failure_number, 0);
    EXPECT_EQ(socket->GetState(), TcpSocket::kError);
    EXPECT_THROW(socket->SendData("NICK x\r\n"), Error);
  }
}

// Without a pin the system's trusted roots and the host name decide. The server's own
// certificate is made a trusted root here (OpenSSL reads SSL_CERT_FILE as the system's file).
TEST_F(TcpSocketTlsTest, WithoutAPinTheTrustedRootsAndTheHostNameDecide) {
  ASSERT_EQ(setenv("SSL_CERT_FILE", server.CertificateFile().c_str(), 1), 0);
  Connect("localhost", server.TlsPort(), {.tls = true, .fingerprint = ""});
  EXPECT_EQ(events, std::vector<std::string>{"connected"}) << failure;

  // The same certificate does not name the address.
  Fresh();
  Connect("127.0.0.1", server.TlsPort(), {.tls = true, .fingerprint = ""});
  unsetenv("SSL_CERT_FILE");
  EXPECT_EQ(events, std::vector<std::string>{"failed"});
  EXPECT_EQ(failure, TlsUntrustedText("127.0.0.1", "IP address mismatch", server.Fingerprint()));
}

// The handshake's operations outlive a socket closed or destroyed under them, and say nothing.
TEST_F(TcpSocketTlsTest, ASocketClosedOrDestroyedMidHandshakeHearsNothing) {
  // A server that takes the connection and never answers the handshake.
  tcp::acceptor silent(loop.IoContext(), tcp::endpoint(asio::ip::address_v4::loopback(), 0));
  const int port = silent.local_endpoint().port();
  for (const bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destroyed" : "closed");
    Fresh();
    socket->Connect("127.0.0.1", std::to_string(port), {.tls = true, .fingerprint = ""});
    tcp::socket peer(loop.IoContext());
    bool accepted = false;
    silent.async_accept(peer, [&](const asio::error_code& error) { accepted = !error; });
    ASSERT_TRUE(loop.RunUntil([&] { return accepted; }, 5s));
    loop.RunFor(50ms);
    ASSERT_EQ(socket->GetState(), TcpSocket::kConnecting);
    if (destroy) {
      socket.reset();
    } else {
      socket->Close();
    }
    loop.RunFor(50ms);
    EXPECT_EQ(events, std::vector<std::string>{});
  }
}

// A plug-in that stops sends QUIT and destroys its socket at once; the line still leaves.
TEST_F(TcpSocketTlsTest, QueuedLinesLeaveWhenTheSocketIsDestroyed) {
  test::IrcPeer watcher(server.Port(), "watcher");
  watcher.Send("JOIN #c");
  ASSERT_TRUE(watcher.WaitFor(" 366 ", [] {}));
  for (const bool tls : {false, true}) {
    const std::string nick = tls ? "secure" : "plain";
    SCOPED_TRACE(nick);
    Fresh();
    Connect("localhost", tls ? server.TlsPort() : server.Port(),
            {.tls = tls, .fingerprint = tls ? server.Fingerprint() : ""});
    socket->SendData("NICK " + nick + "\r\nUSER u 0 * :r\r\nJOIN #c\r\n");
    ASSERT_TRUE(Await(" 366 " + nick)) << received;
    socket->SendData("PRIVMSG #c :first\r\n");
    socket->SendData("QUIT :last words\r\n");
    socket.reset();
    const auto pump = [&] { loop.Poll(); };
    EXPECT_TRUE(watcher.WaitFor(":" + nick + "!", pump));  // the join
    EXPECT_TRUE(watcher.WaitFor("PRIVMSG #c :first", pump));
    EXPECT_TRUE(watcher.WaitFor("last words", pump));
  }
}
#endif

}  // namespace
}  // namespace ostravel::platform

// The Windows socket: asio works on the loop's socket thread, the handlers run on the loop.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "common/Error.h"
#include "platform/EventLoop.h"
#include "platform/TcpSocket.h"
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

}  // namespace
}  // namespace ostravel::platform

#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/TcpSocket.h"

namespace ostravel::test {

// The network behind the sockets a client makes through Factory(), played by the test where a
// real server adds nothing: the lines the client writes are kept, and what the server says or
// does reaches the client at once, on the test's call, without a turn of the loop.
class FakeTcpNetwork {
 public:
  FakeTcpNetwork();

  // For Environment::tcp_sockets.
  platform::TcpSocketFactory Factory();

  // The socket's attempt succeeds: it is connected and says so.
  void Accept();
  // The server sends one line (CR LF is added).
  void Receive(const std::string& line);
  // The server closes the connection.
  void PeerCloses();
  // The connection fails with the socket error `number`.
  void Fails(int number, const std::string& description);

  // The lines the client wrote since the last call, without their CR LF.
  std::vector<std::string> TakeLines();
  // The socket's state, as the client reads it.
  int State() const;
  // How many times the client asked to connect.
  int Connects() const;

  struct Wire;

 private:
  std::shared_ptr<Wire> wire_;
};

}  // namespace ostravel::test

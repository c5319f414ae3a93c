#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ostravel::platform {

class EventLoop;

// How a connection is secured.
struct TcpSecurity {
  bool tls = false;
  // The SHA-256 fingerprint (64 lower-case hex digits, see TlsCheck) of the one server
  // certificate to accept as it is, self-signed or not. Empty: the certificate must chain to
  // a root the system trusts and name the host.
  std::string fingerprint;
};

// A TCP client whose every operation returns at once; what happens later is told through the
// handlers, on the loop. States are numbered as the game client's socket control numbers them.
class TcpSocket {
 public:
  enum State : int {
    kClosed = 0,
    kResolving = 4,
    kConnecting = 6,
    kConnected = 7,
    kClosing = 8,  // the peer closed the connection; Close() makes it kClosed
    kError = 9,
  };

  struct Handlers {
    std::function<void()> connected;
    std::function<void(std::string_view bytes)> data_arrived;
    std::function<void()> closed_by_peer;
    std::function<void(int number, const std::string& description)> failed;
  };

  virtual ~TcpSocket() = default;

  // A socket on the loop. Destroying it closes it; no handler runs afterwards. Bytes still
  // queued get one non-blocking attempt to leave first (a QUIT line at shutdown), without any
  // waiting.
  static std::unique_ptr<TcpSocket> Create(EventLoop& loop);

  using Security = TcpSecurity;

  virtual void SetHandlers(Handlers handlers) = 0;
  // Resolves the host and connects, both in the background; with TLS the handshake (the host
  // name sent for SNI) and the certificate check come before `connected`. A refused
  // certificate is reported through `failed` with a TlsCheck text, never by a plain connection.
  virtual void Connect(const std::string& host, const std::string& port,
                       const Security& security = {}) = 0;
  virtual void Close() = 0;
  // Queues bytes to send; throws Error when the socket is not connected.
  virtual void SendData(std::string bytes) = 0;
  // Bytes handed to SendData that the system has not taken yet: what a peer that does not read
  // leaves waiting here.
  virtual std::size_t Unsent() const = 0;
  virtual int GetState() const = 0;
  virtual std::string LocalHostName() const = 0;
  virtual std::string RemoteHost() const = 0;
};

// Makes the sockets of a client: TcpSocket::Create, or a fake in tests.
using TcpSocketFactory = std::function<std::unique_ptr<TcpSocket>(EventLoop& loop)>;

}  // namespace ostravel::platform

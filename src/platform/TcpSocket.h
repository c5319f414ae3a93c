#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ostravel::platform {

class EventLoop;

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

  // A socket on the loop. Destroying it closes it; no handler runs afterwards.
  static std::unique_ptr<TcpSocket> Create(EventLoop& loop);

  virtual void SetHandlers(Handlers handlers) = 0;
  // Resolves the host and connects, both in the background.
  virtual void Connect(const std::string& host, const std::string& port) = 0;
  virtual void Close() = 0;
  // Queues bytes to send; throws Error when the socket is not connected.
  virtual void SendData(std::string bytes) = 0;
  virtual int GetState() const = 0;
  virtual std::string LocalHostName() const = 0;
  virtual std::string RemoteHost() const = 0;
};

}  // namespace ostravel::platform

#include "support/FakeTcpSocket.h"

#include <stdexcept>

#include "base/Error.h"

namespace ostravel::test {

using platform::TcpSocket;

struct FakeTcpNetwork::Wire {
  TcpSocket::Handlers handlers;
  int state = TcpSocket::kClosed;
  int connects = 0;
  std::string host;
  std::string written;  // bytes not yet taken as lines
};

namespace {

class FakeTcpSocket final : public TcpSocket {
 public:
  explicit FakeTcpSocket(std::shared_ptr<FakeTcpNetwork::Wire> wire) : wire_(std::move(wire)) {}
  ~FakeTcpSocket() override {
    wire_->handlers = {};
    wire_->state = kClosed;
  }

  void SetHandlers(Handlers handlers) override { wire_->handlers = std::move(handlers); }
  void Connect(const std::string& host, const std::string&, const Security&) override {
    wire_->host = host;
    wire_->state = kConnecting;
    ++wire_->connects;
  }
  void Close() override { wire_->state = kClosed; }
  void SendData(std::string bytes) override {
    // As the real socket does, so that the client's handling of it is tested too.
    if (wire_->state != kConnected)
      throw Error(40006,
                  "Wrong protocol or connection state for the requested transaction or request",
                  "Socket");
    wire_->written += bytes;
  }
  std::size_t Unsent() const override { return 0; }  // the fake takes every byte at once
  int GetState() const override { return wire_->state; }
  std::string LocalHostName() const override { return "localhost"; }
  std::string RemoteHost() const override { return wire_->host; }

 private:
  std::shared_ptr<FakeTcpNetwork::Wire> wire_;
};

}  // namespace

FakeTcpNetwork::FakeTcpNetwork() : wire_(std::make_shared<Wire>()) {}

platform::TcpSocketFactory FakeTcpNetwork::Factory() {
  return [wire = wire_](platform::EventLoop&) { return std::make_unique<FakeTcpSocket>(wire); };
}

void FakeTcpNetwork::Accept() {
  if (wire_->state != TcpSocket::kConnecting) throw std::logic_error("nobody is connecting");
  wire_->state = TcpSocket::kConnected;
  if (wire_->handlers.connected) wire_->handlers.connected();
}

void FakeTcpNetwork::Receive(const std::string& line) {
  if (wire_->state != TcpSocket::kConnected) throw std::logic_error("not connected");
  if (wire_->handlers.data_arrived) wire_->handlers.data_arrived(line + "\r\n");
}

void FakeTcpNetwork::PeerCloses() {
  wire_->state = TcpSocket::kClosing;
  if (wire_->handlers.closed_by_peer) wire_->handlers.closed_by_peer();
}

void FakeTcpNetwork::Fails(int number, const std::string& description) {
  wire_->state = TcpSocket::kError;
  if (wire_->handlers.failed) wire_->handlers.failed(number, description);
}

std::vector<std::string> FakeTcpNetwork::TakeLines() {
  std::vector<std::string> lines;
  for (auto end = wire_->written.find("\r\n"); end != std::string::npos;
       end = wire_->written.find("\r\n")) {
    lines.push_back(wire_->written.substr(0, end));
    wire_->written.erase(0, end + 2);
  }
  return lines;
}

int FakeTcpNetwork::State() const {
  return wire_->state;
}

int FakeTcpNetwork::Connects() const {
  return wire_->connects;
}

}  // namespace ostravel::test

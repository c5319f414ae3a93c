#include "platform/TcpSocket.h"

#include <array>
#include <asio/connect.hpp>
#include <asio/ip/host_name.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>
#include <deque>

#include "common/Error.h"
#include "platform/EventLoop.h"

namespace ostravel::platform {
namespace {

using asio::ip::tcp;

// The socket control's error for an operation the connection's state does not allow.
constexpr int kWrongState = 40006;

// The connection and everything its asynchronous stages share. Each stage holds it through a
// weak reference, so a stage that completes after the socket was destroyed does nothing.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  explicit Connection(asio::io_context& context) : resolver_(context), socket_(context) {}

  void Connect(const std::string& host, const std::string& port) {
    Reset();
    remote_host_ = host;
    state_ = TcpSocket::kResolving;
    resolver_.async_resolve(
        host, port,
        [weak = Weak(), generation = generation_](const asio::error_code& error,
                                                  const tcp::resolver::results_type& endpoints) {
          if (auto self = weak.lock(); self && self->Current(generation)) {
            self->OnResolve(error, endpoints);
          }
        });
  }

  void Close() {
    Reset();
    state_ = TcpSocket::kClosed;
  }

  void Send(std::string bytes) {
    if (state_ != TcpSocket::kConnected) {
      throw Error(kWrongState,
                  "Wrong protocol or connection state for the requested transaction or request",
                  "Socket");
    }
    outbox_.push_back(std::move(bytes));
    if (outbox_.size() == 1) WriteNext();
  }

  TcpSocket::Handlers handlers;
  int state_ = TcpSocket::kClosed;
  std::string remote_host_;

 private:
  std::weak_ptr<Connection> Weak() { return weak_from_this(); }
  bool Current(unsigned generation) const { return generation == generation_; }

  // Drops the connection and makes every stage still pending stale.
  void Reset() {
    ++generation_;
    resolver_.cancel();
    asio::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    outbox_.clear();
  }

  void OnResolve(const asio::error_code& error, const tcp::resolver::results_type& endpoints) {
    if (error) return Fail(error);
    state_ = TcpSocket::kConnecting;
    asio::async_connect(
        socket_, endpoints,
        [weak = Weak(), generation = generation_](const asio::error_code& e, const tcp::endpoint&) {
          if (auto self = weak.lock(); self && self->Current(generation)) {
            self->OnConnect(e);
          }
        });
  }

  void OnConnect(const asio::error_code& error) {
    if (error) return Fail(error);
    state_ = TcpSocket::kConnected;
    ReadNext();
    if (handlers.connected) handlers.connected();
  }

  void ReadNext() {
    socket_.async_read_some(
        asio::buffer(inbox_),
        [weak = Weak(), generation = generation_](const asio::error_code& error, std::size_t n) {
          if (auto self = weak.lock(); self && self->Current(generation)) self->OnRead(error, n);
        });
  }

  void OnRead(const asio::error_code& error, std::size_t count) {
    if (error == asio::error::eof || error == asio::error::connection_reset) {
      state_ = TcpSocket::kClosing;
      if (handlers.closed_by_peer) handlers.closed_by_peer();
      return;
    }
    if (error) return Fail(error);
    const unsigned generation = generation_;
    if (handlers.data_arrived) handlers.data_arrived(std::string_view(inbox_.data(), count));
    // A handler may have closed or reconnected the socket.
    if (Current(generation) && state_ == TcpSocket::kConnected) ReadNext();
  }

  void WriteNext() {
    asio::async_write(
        socket_, asio::buffer(outbox_.front()),
        [weak = Weak(), generation = generation_](const asio::error_code& error, std::size_t) {
          if (auto self = weak.lock(); self && self->Current(generation)) self->OnWrite(error);
        });
  }

  void OnWrite(const asio::error_code& error) {
    if (error) return Fail(error);
    outbox_.pop_front();
    if (!outbox_.empty()) WriteNext();
  }

  void Fail(const asio::error_code& error) {
    state_ = TcpSocket::kError;
    ++generation_;  // nothing more of this attempt is wanted
    if (handlers.failed) handlers.failed(error.value(), error.message());
  }

  tcp::resolver resolver_;
  tcp::socket socket_;
  unsigned generation_ = 0;
  std::array<char, 16384> inbox_{};
  std::deque<std::string> outbox_;
};

class AsioTcpSocket final : public TcpSocket {
 public:
  explicit AsioTcpSocket(EventLoop& loop)
      : connection_(std::make_shared<Connection>(loop.IoContext())) {}
  ~AsioTcpSocket() override {
    connection_->handlers = {};
    connection_->Close();
  }

  void SetHandlers(Handlers handlers) override { connection_->handlers = std::move(handlers); }
  void Connect(const std::string& host, const std::string& port, const Security&) override {
    connection_->Connect(host, port);
  }
  void Close() override { connection_->Close(); }
  void SendData(std::string bytes) override { connection_->Send(std::move(bytes)); }
  int GetState() const override { return connection_->state_; }
  std::string LocalHostName() const override { return asio::ip::host_name(); }
  std::string RemoteHost() const override { return connection_->remote_host_; }

 private:
  std::shared_ptr<Connection> connection_;
};

}  // namespace

std::unique_ptr<TcpSocket> TcpSocket::Create(EventLoop& loop) {
  return std::make_unique<AsioTcpSocket>(loop);
}

}  // namespace ostravel::platform

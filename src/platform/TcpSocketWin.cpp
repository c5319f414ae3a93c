#include <algorithm>
#include <array>
#include <asio/connect.hpp>
#include <asio/ip/host_name.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/post.hpp>
#include <asio/write.hpp>
#include <deque>
#include <iterator>
#include <memory>
#include <optional>

#include "base/Error.h"
#include "platform/EventLoop.h"
#include "platform/SchannelSession.h"
#include "platform/TcpSocket.h"
#include "platform/TlsCheck.h"

namespace ostravel::platform {
namespace {

using asio::ip::tcp;

// The socket control's error for an operation the connection's state does not allow.
constexpr int kWrongState = 40006;

// What the user-interface thread knows of the connection. Only that thread touches it; every
// result of the socket thread arrives as posted work tagged with the attempt it belongs to, and
// work for an older attempt (or for a destroyed socket) is dropped.
struct UiSide {
  TcpSocket::Handlers handlers;
  int state = TcpSocket::kClosed;
  std::string remote_host;
  unsigned attempt = 0;
  std::size_t unsent = 0;  // handed to SendData, not yet taken by the system
};

// The asio socket and its stages. Only the socket thread (the loop's I/O context) touches it.
class IoSide : public std::enable_shared_from_this<IoSide> {
 public:
  IoSide(EventLoop& loop, std::weak_ptr<UiSide> ui)
      : loop_(loop), ui_(std::move(ui)), resolver_(loop.IoContext()), socket_(loop.IoContext()) {}

  void Connect(const std::string& host, const std::string& port, const TcpSecurity& security,
               unsigned attempt) {
    Reset(attempt);
    host_ = host;
    security_ = security;
    resolver_.async_resolve(
        host, port,
        [self = shared_from_this(), attempt](const asio::error_code& error,
                                             const tcp::resolver::results_type& endpoints) {
          if (self->attempt_ == attempt) self->OnResolve(error, endpoints);
        });
  }

  void Send(std::string bytes, unsigned attempt) {
    if (attempt != attempt_) return;
    const std::size_t plain = bytes.size();
    if (!connected_) return Taken(plain);
    if (!tls_) return Transmit(std::move(bytes), plain);
    auto records = tls_->Encrypt(bytes);
    if (!records) return FailWith(kTlsFailed, TlsHandshakeText("encryption failed"));
    Transmit(std::move(*records), plain);
  }

  // The socket goes away: bytes still queued behind the write in flight get one non-blocking
  // attempt to leave (a QUIT line), and nothing waits for them.
  void Shutdown(unsigned attempt) {
    if (connected_ && outbox_.size() > 1) {
      std::string rest;
      for (auto it = std::next(outbox_.begin()); it != outbox_.end(); ++it) rest += it->bytes;
      asio::error_code ignored;
      socket_.non_blocking(true, ignored);
      socket_.write_some(asio::buffer(rest), ignored);
    }
    Reset(attempt);
  }

  // Drops the connection and makes every stage still pending stale.
  void Reset(unsigned attempt) {
    attempt_ = attempt;
    connected_ = false;
    resolver_.cancel();
    asio::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    outbox_.clear();
    tls_.reset();
  }

 private:
  // Runs `change` on the user-interface thread if the socket and this attempt still exist.
  template <typename Change>
  void Report(Change change) {
    loop_.Post([ui = ui_, attempt = attempt_, change = std::move(change)]() mutable {
      const auto side = ui.lock();
      if (side && side->attempt == attempt) change(*side);
    });
  }

  void OnResolve(const asio::error_code& error, const tcp::resolver::results_type& endpoints) {
    if (error) return Fail(error);
    Report([](UiSide& ui) { ui.state = TcpSocket::kConnecting; });
    asio::async_connect(socket_, endpoints,
                        [self = shared_from_this(), attempt = attempt_](const asio::error_code& e,
                                                                        const tcp::endpoint&) {
                          if (self->attempt_ == attempt) self->OnConnect(e);
                        });
  }

  void OnConnect(const asio::error_code& error) {
    if (error) return Fail(error);
    if (security_.tls) return StartTls();
    BecomeConnected();
    ReadNext();
  }

  void BecomeConnected() {
    connected_ = true;
    Report([](UiSide& ui) {
      ui.state = TcpSocket::kConnected;
      if (ui.handlers.connected) ui.handlers.connected();
    });
  }

  void StartTls() {
    tls_ = std::make_unique<SchannelSession>(host_);
    SchannelSession::Result hello = tls_->Start();
    if (hello.status == SchannelSession::Status::kFailed) {
      return FailWith(kTlsFailed, TlsHandshakeText(hello.error));
    }
    Transmit(std::move(hello.to_send));
    ReadNext();
  }

  void ReadNext() {
    socket_.async_read_some(asio::buffer(inbox_),
                            [self = shared_from_this(), attempt = attempt_](
                                const asio::error_code& error, std::size_t n) {
                              if (self->attempt_ == attempt) self->OnRead(error, n);
                            });
  }

  void OnRead(const asio::error_code& error, std::size_t count) {
    const bool ended = error == asio::error::eof || error == asio::error::connection_reset;
    if (ended && tls_ && !connected_) {
      return FailWith(kTlsFailed, TlsHandshakeText("the server closed the connection"));
    }
    if (ended) return PeerClosed();
    if (error) return Fail(error);
    if (!tls_) {
      Deliver(std::string(inbox_.data(), count));
      return ReadNext();
    }
    OnTlsBytes(tls_->Receive(std::string_view(inbox_.data(), count)));
  }

  void OnTlsBytes(SchannelSession::Result result) {
    using Status = SchannelSession::Status;
    Transmit(std::move(result.to_send));
    Deliver(std::move(result.plain));
    switch (result.status) {
      case Status::kHandshaking:
      case Status::kData:
        return ReadNext();
      case Status::kReady:
        if (!CertificateAccepted()) return;
        BecomeConnected();
        // Records that came with the last handshake message.
        return OnTlsBytes(tls_->Receive({}));
      case Status::kClosed:
        return PeerClosed();
      case Status::kFailed:
        return FailWith(kTlsFailed, TlsHandshakeText(result.error));
    }
  }

  // The server's certificate is the pinned one, or one the system trusts for the host;
  // otherwise the connection fails and says why.
  bool CertificateAccepted() {
    const std::optional<std::string> actual = tls_->CertificateFingerprint();
    if (!actual) {
      FailWith(kTlsFailed, TlsHandshakeText("no server certificate"));
      return false;
    }
    if (!security_.fingerprint.empty()) {
      const std::optional<std::string> pinned = NormalizeFingerprint(security_.fingerprint);
      if (pinned == actual) return true;
      FailWith(kTlsFailed, TlsFingerprintMismatchText(*actual));
      return false;
    }
    const std::optional<std::string> problem = tls_->ChainProblem();
    if (!problem) return true;
    FailWith(kTlsFailed, TlsUntrustedText(host_, *problem, *actual));
    return false;
  }

  void PeerClosed() {
    connected_ = false;
    Report([](UiSide& ui) {
      ui.state = TcpSocket::kClosing;
      if (ui.handlers.closed_by_peer) ui.handlers.closed_by_peer();
    });
  }

  void Deliver(std::string bytes) {
    if (bytes.empty()) return;
    Report([bytes = std::move(bytes)](UiSide& ui) {
      // Data that arrives after a handler closed the socket is no longer wanted.
      if (ui.state == TcpSocket::kConnected && ui.handlers.data_arrived) {
        ui.handlers.data_arrived(bytes);
      }
    });
  }

  // `plain` is how many of the bytes handed to SendData these stand for (none for the
  // handshake's own).
  void Transmit(std::string bytes, std::size_t plain = 0) {
    if (bytes.empty()) return Taken(plain);
    outbox_.push_back({std::move(bytes), plain});
    if (outbox_.size() == 1) WriteNext();
  }

  // The system has taken `plain` bytes of SendData (or they are gone with the connection).
  void Taken(std::size_t plain) {
    if (plain == 0) return;
    Report([plain](UiSide& ui) { ui.unsent -= std::min(plain, ui.unsent); });
  }

  void WriteNext() {
    asio::async_write(socket_, asio::buffer(outbox_.front().bytes),
                      [self = shared_from_this(), attempt = attempt_](const asio::error_code& error,
                                                                      std::size_t) {
                        if (self->attempt_ == attempt) self->OnWrite(error);
                      });
  }

  void OnWrite(const asio::error_code& error) {
    if (error) return Fail(error);
    const std::size_t plain = outbox_.front().plain;
    outbox_.pop_front();
    Taken(plain);
    if (!outbox_.empty()) WriteNext();
  }

  void Fail(const asio::error_code& error) { FailWith(error.value(), error.message()); }

  void FailWith(int number, std::string text) {
    Report([number, text = std::move(text)](UiSide& ui) {
      ui.state = TcpSocket::kError;
      ++ui.attempt;  // nothing more of this attempt is wanted
      if (ui.handlers.failed) ui.handlers.failed(number, text);
    });
    Reset(attempt_ + 0x80000000u);  // stale for every stage still pending
  }

  EventLoop& loop_;
  std::weak_ptr<UiSide> ui_;
  tcp::resolver resolver_;
  tcp::socket socket_;
  unsigned attempt_ = 0;
  bool connected_ = false;  // after the handshake and the certificate check, with TLS
  std::string host_;
  TcpSecurity security_;
  std::unique_ptr<SchannelSession> tls_;
  std::array<char, 16384> inbox_{};
  struct Piece {
    std::string bytes;
    std::size_t plain;
  };
  std::deque<Piece> outbox_;
};

// The socket as the plug-in sees it: its calls come from the user-interface thread and hand
// the work to the socket thread; the state they read is the user-interface thread's own copy.
class WinTcpSocket final : public TcpSocket {
 public:
  explicit WinTcpSocket(EventLoop& loop)
      : loop_(loop), ui_(std::make_shared<UiSide>()), io_(std::make_shared<IoSide>(loop, ui_)) {}
  ~WinTcpSocket() override {
    ui_->handlers = {};
    const unsigned attempt = ++ui_->attempt;
    asio::post(loop_.IoContext(), [io = io_, attempt] { io->Shutdown(attempt); });
  }

  void SetHandlers(Handlers handlers) override { ui_->handlers = std::move(handlers); }

  void Connect(const std::string& host, const std::string& port,
               const Security& security) override {
    const unsigned attempt = ++ui_->attempt;
    ui_->state = kResolving;
    ui_->unsent = 0;
    ui_->remote_host = host;
    asio::post(loop_.IoContext(), [io = io_, host, port, security, attempt] {
      io->Connect(host, port, security, attempt);
    });
  }

  void Close() override {
    const unsigned attempt = ++ui_->attempt;
    ui_->state = kClosed;
    ui_->unsent = 0;
    asio::post(loop_.IoContext(), [io = io_, attempt] { io->Reset(attempt); });
  }

  void SendData(std::string bytes) override {
    if (ui_->state != kConnected) {
      throw Error(kWrongState,
                  "Wrong protocol or connection state for the requested transaction or request",
                  "Socket");
    }
    ui_->unsent += bytes.size();
    asio::post(loop_.IoContext(), [io = io_, bytes = std::move(bytes), attempt = ui_->attempt] {
      io->Send(bytes, attempt);
    });
  }

  std::size_t Unsent() const override { return ui_->unsent; }
  int GetState() const override { return ui_->state; }
  std::string LocalHostName() const override { return asio::ip::host_name(); }
  std::string RemoteHost() const override { return ui_->remote_host; }

 private:
  EventLoop& loop_;
  std::shared_ptr<UiSide> ui_;
  std::shared_ptr<IoSide> io_;
};

}  // namespace

std::unique_ptr<TcpSocket> TcpSocket::Create(EventLoop& loop) {
  return std::make_unique<WinTcpSocket>(loop);
}

}  // namespace ostravel::platform

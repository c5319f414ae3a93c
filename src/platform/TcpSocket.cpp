#include "platform/TcpSocket.h"

#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <array>
#include <asio/connect.hpp>
#include <asio/ip/address.hpp>
#include <asio/ip/host_name.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/ssl/context.hpp>
#include <asio/ssl/error.hpp>
#include <asio/ssl/host_name_verification.hpp>
#include <asio/ssl/stream.hpp>
#include <asio/write.hpp>
#include <climits>
#include <deque>
#include <functional>
#include <span>

#include "base/Error.h"
#include "platform/EventLoop.h"
#include "platform/TlsCheck.h"

namespace ostravel::platform {
namespace {

using asio::ip::tcp;
using TlsStream = asio::ssl::stream<tcp::socket&>;

// The socket control's error for an operation the connection's state does not allow.
constexpr int kWrongState = 40006;
// The largest plain text of one TLS record. The TLS stream is handed no more at a time, so it
// takes each piece whole and the queue knows exactly what it has not taken yet.
constexpr std::size_t kTlsPiece = 16384;

// The SHA-256 fingerprint of a certificate's DER form; empty without a certificate.
std::string FingerprintOf(X509* certificate) {
  if (certificate == nullptr) return {};
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (X509_digest(certificate, EVP_sha256(), digest.data(), &length) != 1) return {};
  return HexDigest(std::span(digest.data(), length));
}

bool IsIpLiteral(const std::string& host) {
  asio::error_code error;
  asio::ip::make_address(host, error);
  return !error;
}

// The I/O objects of one connection attempt. Every pending operation holds them, because a TLS
// operation keeps using its stream after the socket is closed, until its handler has run.
struct Link {
  explicit Link(asio::io_context& context) : socket(context) {}

  // Notes what the certificate check saw and passes its verdict on: the leaf's fingerprint
  // and the first reason it was refused, for the text that tells the player.
  bool Checked(bool accepted, X509_STORE_CTX* store, bool ip_host) {
    if (leaf_fingerprint.empty()) leaf_fingerprint = FingerprintOf(X509_STORE_CTX_get0_cert(store));
    if (!accepted && verify_error == X509_V_OK) {
      verify_error = X509_STORE_CTX_get_error(store);
      // The host name check refuses without setting a reason of its own.
      if (verify_error == X509_V_OK) {
        verify_error = ip_host ? X509_V_ERR_IP_ADDRESS_MISMATCH : X509_V_ERR_HOSTNAME_MISMATCH;
        X509_STORE_CTX_set_error(store, verify_error);
      }
    }
    return accepted;
  }

  tcp::socket socket;
  std::unique_ptr<asio::ssl::context> tls_context;
  std::unique_ptr<TlsStream> tls;
  std::array<char, 16384> inbox{};
  std::string sending;  // the piece the TLS stream is writing
  std::string leaf_fingerprint;
  int verify_error = X509_V_OK;
};

// The connection and everything its asynchronous stages share. Each stage holds it through a
// weak reference, so a stage that completes after the socket was destroyed does nothing.
class Connection : public std::enable_shared_from_this<Connection> {
 private:
  // A completion handler that calls `stage` only while this attempt is still the current one
  // and the socket still exists; it keeps the attempt's I/O objects alive until it has run.
  template <typename Stage>
  auto Guarded(Stage stage) {
    return [weak = weak_from_this(), link = link_, generation = generation_,
            stage](const auto&... results) {
      if (auto self = weak.lock(); self && self->Current(generation)) {
        std::invoke(stage, *self, results...);
      }
    };
  }

 public:
  explicit Connection(asio::io_context& context) : context_(context), resolver_(context) {}

  void Connect(const std::string& host, const std::string& port, const TcpSecurity& security) {
    Reset();
    remote_host_ = host;
    security_ = security;
    // A fingerprint that is no fingerprint matches no certificate, so it refuses them all.
    security_.fingerprint =
        NormalizeFingerprint(security.fingerprint).value_or(security.fingerprint);
    link_ = std::make_shared<Link>(context_);
    state_ = TcpSocket::kResolving;
    resolver_.async_resolve(host, port, Guarded(&Connection::OnResolve));
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
    if (bytes.empty()) return;
    unsent_ += bytes.size();
    outbox_.push_back(std::move(bytes));
    if (!writing_) WriteNext();
  }

  // One try, without waiting, to send what is still queued (the QUIT line of a plug-in that
  // stops), for a socket that is about to go away.
  void SendQueuedOnce() {
    if (state_ != TcpSocket::kConnected || outbox_.empty()) return;
    std::string rest = outbox_.front().substr(sent_);
    for (auto piece = std::next(outbox_.begin()); piece != outbox_.end(); ++piece) rest += *piece;
    if (link_->tls) rest = SealedRecords(rest);
    asio::error_code ignored;
    link_->socket.non_blocking(true, ignored);
    link_->socket.send(asio::buffer(rest), 0, ignored);
  }

  TcpSocket::Handlers handlers;
  int state_ = TcpSocket::kClosed;
  std::size_t unsent_ = 0;
  std::string remote_host_;

 private:
  bool Current(unsigned generation) const { return generation == generation_; }

  // Drops the connection and makes every stage still pending stale.
  void Reset() {
    ++generation_;
    resolver_.cancel();
    if (link_) {
      asio::error_code ignored;
      link_->socket.shutdown(tcp::socket::shutdown_both, ignored);
      link_->socket.close(ignored);
      link_.reset();
    }
    outbox_.clear();
    sent_ = 0;
    unsent_ = 0;
    writing_ = false;
  }

  void OnResolve(const asio::error_code& error, const tcp::resolver::results_type& endpoints) {
    if (error) return Fail(error);
    state_ = TcpSocket::kConnecting;
    asio::async_connect(link_->socket, endpoints, Guarded(&Connection::OnConnect));
  }

  void OnConnect(const asio::error_code& error, const tcp::endpoint&) {
    if (error) return Fail(error);
    if (security_.tls) return StartHandshake();
    // Writes wait for room and then never block, so the queue holds exactly what is unsent.
    asio::error_code ignored;
    link_->socket.non_blocking(true, ignored);
    Established();
  }

  void StartHandshake() {
    Link& link = *link_;
    const bool pinned = !security_.fingerprint.empty();
    try {
      link.tls_context = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_client);
      if (!pinned) link.tls_context->set_default_verify_paths();
      link.tls = std::make_unique<TlsStream>(link.socket, *link.tls_context);
      const bool ip_host = IsIpLiteral(remote_host_);
      if (!ip_host) SSL_set_tlsext_host_name(link.tls->native_handle(), remote_host_.c_str());
      if (pinned) {
        // The fingerprint alone decides, after the handshake; no chain is looked at.
        link.tls->set_verify_mode(asio::ssl::verify_none);
      } else {
        link.tls->set_verify_mode(asio::ssl::verify_peer);
        link.tls->set_verify_callback(
            [&link, ip_host, check = asio::ssl::host_name_verification(remote_host_)](
                bool preverified, asio::ssl::verify_context& context) {
              return link.Checked(check(preverified, context), context.native_handle(), ip_host);
            });
      }
    } catch (const std::exception& error) {
      return Fail(kTlsFailed, TlsHandshakeText(error.what()));
    }
    link.tls->async_handshake(asio::ssl::stream_base::client, Guarded(&Connection::OnHandshake));
  }

  void OnHandshake(const asio::error_code& error) {
    const Link& link = *link_;
    if (error && link.verify_error != X509_V_OK) {
      return Fail(kTlsFailed,
                  TlsUntrustedText(remote_host_, X509_verify_cert_error_string(link.verify_error),
                                   link.leaf_fingerprint));
    }
    if (error) return Fail(kTlsFailed, TlsHandshakeText(error.message()));
    if (!security_.fingerprint.empty()) {
      const std::string actual =
          FingerprintOf(SSL_get0_peer_certificate(link.tls->native_handle()));
      if (actual.empty()) return Fail(kTlsFailed, TlsHandshakeText("no server certificate"));
      if (actual != security_.fingerprint) {
        return Fail(kTlsFailed, TlsFingerprintMismatchText(actual));
      }
    }
    Established();
  }

  void Established() {
    state_ = TcpSocket::kConnected;
    ReadNext();
    if (handlers.connected) handlers.connected();
  }

  void ReadNext() {
    const auto buffer = asio::buffer(link_->inbox);
    if (link_->tls) {
      link_->tls->async_read_some(buffer, Guarded(&Connection::OnRead));
    } else {
      link_->socket.async_read_some(buffer, Guarded(&Connection::OnRead));
    }
  }

  void OnRead(const asio::error_code& error, std::size_t count) {
    // A server that drops a TLS connection without its closing message has closed it too.
    if (error == asio::error::eof || error == asio::error::connection_reset ||
        error == asio::ssl::error::stream_truncated) {
      state_ = TcpSocket::kClosing;
      if (handlers.closed_by_peer) handlers.closed_by_peer();
      return;
    }
    if (error) return Fail(error);
    const unsigned generation = generation_;
    // The handler may replace link_; this stage's own reference keeps the bytes alive.
    const std::string_view bytes(link_->inbox.data(), count);
    if (handlers.data_arrived) handlers.data_arrived(bytes);
    // A handler may have closed or reconnected the socket.
    if (Current(generation) && state_ == TcpSocket::kConnected) ReadNext();
  }

  void WriteNext() {
    writing_ = true;
    if (link_->tls) return WriteTlsPiece();
    link_->socket.async_wait(tcp::socket::wait_write, Guarded(&Connection::OnWritable));
  }

  void OnWritable(const asio::error_code& error) {
    if (error) return Fail(error);
    while (!outbox_.empty()) {
      const std::string& front = outbox_.front();
      asio::error_code write_error;
      const std::size_t count = link_->socket.write_some(
          asio::buffer(front.data() + sent_, front.size() - sent_), write_error);
      if (write_error == asio::error::would_block) return WriteNext();
      if (write_error) return Fail(write_error);
      Consume(count);
      unsent_ -= count;
    }
    writing_ = false;
  }

  void WriteTlsPiece() {
    const std::string& front = outbox_.front();
    const std::size_t count = std::min(kTlsPiece, front.size() - sent_);
    link_->sending.assign(front, sent_, count);
    Consume(count);
    asio::async_write(*link_->tls, asio::buffer(link_->sending),
                      Guarded(&Connection::OnTlsWritten));
  }

  void OnTlsWritten(const asio::error_code& error, std::size_t) {
    if (error) return Fail(error);
    unsent_ -= link_->sending.size();
    if (outbox_.empty()) {
      writing_ = false;
      return;
    }
    WriteTlsPiece();
  }

  // Takes `count` bytes that have left (or that the TLS stream has taken) off the queue.
  void Consume(std::size_t count) {
    sent_ += count;
    if (sent_ == outbox_.front().size()) {
      outbox_.pop_front();
      sent_ = 0;
    }
  }

  // `plain` as TLS records of this connection, written beside the stream's own buffers; empty
  // when the session cannot write now (a piece the stream is still writing can be half done).
  std::string SealedRecords(const std::string& plain) {
    SSL* session = link_->tls->native_handle();
    BIO* records = BIO_new(BIO_s_mem());
    if (records == nullptr) return {};
    SSL_set0_wbio(session, records);  // the session owns and frees it
    const int size = static_cast<int>(std::min<std::size_t>(plain.size(), INT_MAX));
    if (SSL_write(session, plain.data(), size) <= 0) return {};
    char* data = nullptr;
    const long length = BIO_get_mem_data(records, &data);
    return std::string(data, static_cast<std::size_t>(length));
  }

  void Fail(const asio::error_code& error) { Fail(error.value(), error.message()); }

  void Fail(int number, const std::string& description) {
    state_ = TcpSocket::kError;
    ++generation_;  // nothing more of this attempt is wanted
    asio::error_code ignored;
    link_->socket.close(ignored);
    if (handlers.failed) handlers.failed(number, description);
  }

  asio::io_context& context_;
  tcp::resolver resolver_;
  std::shared_ptr<Link> link_;
  TcpSecurity security_;
  unsigned generation_ = 0;
  std::deque<std::string> outbox_;
  std::size_t sent_ = 0;  // of the queue's first piece
  bool writing_ = false;  // a wait for room or a TLS write is pending
};

class AsioTcpSocket final : public TcpSocket {
 public:
  explicit AsioTcpSocket(EventLoop& loop)
      : connection_(std::make_shared<Connection>(loop.IoContext())) {}
  ~AsioTcpSocket() override {
    connection_->handlers = {};
    connection_->SendQueuedOnce();
    connection_->Close();
  }

  void SetHandlers(Handlers handlers) override { connection_->handlers = std::move(handlers); }
  void Connect(const std::string& host, const std::string& port,
               const Security& security) override {
    connection_->Connect(host, port, security);
  }
  void Close() override { connection_->Close(); }
  void SendData(std::string bytes) override { connection_->Send(std::move(bytes)); }
  std::size_t Unsent() const override { return connection_->unsent_; }
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

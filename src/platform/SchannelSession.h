#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ostravel::platform {

// A TLS client session over bytes the caller carries to and from the peer (SChannel; Windows
// only). It never touches a socket, so the socket thread drives it stage by stage.
class SchannelSession {
 public:
  enum class Status {
    kHandshaking,  // more handshake bytes from the peer are needed
    kReady,        // the handshake is done: check the certificate before trusting any data
    kData,         // established; `plain` holds what arrived (possibly nothing yet)
    kClosed,       // the peer ended the session (close notify, or a renegotiation we refuse)
    kFailed,       // see `error`
  };

  struct Result {
    Status status = Status::kHandshaking;
    std::string to_send;  // bytes for the peer, to be sent in order
    std::string plain;    // application data that arrived
    std::string error;    // kFailed: a short reason, for TlsHandshakeText
  };

  // `host` is the name the certificate must carry and the one sent for SNI.
  explicit SchannelSession(const std::string& host);
  ~SchannelSession();
  SchannelSession(const SchannelSession&) = delete;
  SchannelSession& operator=(const SchannelSession&) = delete;

  // The first handshake message (the client hello).
  Result Start();
  // Bytes from the peer, in order, at any stage. Bytes that arrive with the last handshake
  // message stay queued until the next call (pass nothing to have them decrypted).
  Result Receive(std::string_view bytes);
  // The records that carry `plain`; nullopt when the session cannot encrypt.
  std::optional<std::string> Encrypt(std::string_view plain);

  // After kReady: the server certificate's SHA-256 fingerprint (TlsCheck's form), or nullopt
  // when the server showed no certificate.
  std::optional<std::string> CertificateFingerprint() const;
  // After kReady: why the system does not trust the certificate for the host, nullopt when it
  // does.
  std::optional<std::string> ChainProblem() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel::platform

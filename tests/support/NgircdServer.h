#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "support/TestEnvironment.h"

namespace ostravel::test {

struct NgircdOptions {
  // Whether the server has a message of the day (376), else it answers 422.
  bool motd = true;
  // Long nicks (30) and no command throttling; off keeps ngircd's defaults (nicks of 9
  // characters, flood penalties), as a server on the Internet has them.
  bool permissive = true;
  // The server password clients must send with PASS; empty for none.
  std::string password;
  // A second port that speaks TLS, with a self-signed certificate for CN=localhost.
  bool tls = false;
};

// A real IRC server (ngircd) on 127.0.0.1 and a free port, with its configuration in a
// temporary folder. Stopped when destroyed.
class NgircdServer {
 public:
  explicit NgircdServer(const NgircdOptions& options = {});
  ~NgircdServer();
  NgircdServer(const NgircdServer&) = delete;
  NgircdServer& operator=(const NgircdServer&) = delete;

  int Port() const { return port_; }
  // With the option `tls`: the TLS port, the SHA-256 fingerprint of the server's certificate
  // (64 lower-case hex digits) and the certificate in PEM.
  int TlsPort() const { return tls_port_; }
  const std::string& Fingerprint() const { return fingerprint_; }
  std::filesystem::path CertificateFile() const { return folder_.Path() / "cert.pem"; }

 private:
  // Starts the server and waits until it accepts connections.
  void Start();
  // Stops it and waits until it is gone.
  void Stop();
  void MakeCertificate();
  // Waits until `port` accepts connections.
  static void AwaitListening(int port);

  TempFolder folder_;
  int port_ = 0;
  int tls_port_ = 0;
  std::string fingerprint_;
  pid_t pid_ = -1;
};

// A plain IRC client in the test: a blocking socket read with time limits.
class IrcPeer {
 public:
  // Connects and registers under `nick`; throws when the server does not greet it.
  IrcPeer(int port, const std::string& nick, const std::string& password = "");
  ~IrcPeer();
  IrcPeer(const IrcPeer&) = delete;
  IrcPeer& operator=(const IrcPeer&) = delete;

  void Send(const std::string& line);
  // Reads lines until one not returned before contains `text`, running `pump` between reads (the
  // plug-in's loop), for at most `timeout`; returns that line, or nullopt.
  std::optional<std::string> WaitFor(const std::string& text, const std::function<void()>& pump,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Every line read so far.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  bool ReadAvailable(int wait_ms);

  int socket_ = -1;
  std::string pending_;
  std::vector<std::string> lines_;
  std::vector<bool> consumed_;  // lines a wait has already returned
};

}  // namespace ostravel::test

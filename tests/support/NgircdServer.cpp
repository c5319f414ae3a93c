#include "support/NgircdServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/RunProcess.h"

extern char** environ;

namespace ostravel::test {
namespace {

constexpr const char* kNgircd = "/usr/sbin/ngircd";
constexpr const char* kOpenssl = "/usr/bin/openssl";

int FreePort() {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), length);
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}

int ConnectTo(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

NgircdServer::NgircdServer(const NgircdOptions& options) : port_(FreePort()) {
  // As root the server drops to "nobody", which must still read its configuration.
  std::filesystem::permissions(folder_.Path(), std::filesystem::perms(0755));
  std::ofstream(folder_.Path() / "ngircd.conf")
      << "[Global]\nName = irc.test.local\nAdminInfo1 = test\nAdminInfo2 = test\n"
      << "AdminEMail = test@test.local\nListen = 127.0.0.1\nPorts = " << port_ << "\n"
      << (options.motd ? "MotdPhrase = hello\n" : "MotdFile = /nonexistent\n")
      << (options.password.empty() ? "" : "Password = " + options.password + "\n")
      << "PingTimeout = 120\nPongTimeout = 60\n"
      << "[Limits]\nMaxConnectionsIP = 0\n"
      << (options.permissive ? "MaxNickLength = 30\nMaxPenaltyTime = 0\n" : "")
      << "[Options]\nPAM = no\nIdent = no\nDNS = no\n";
  if (options.tls) {
    do {
      tls_port_ = FreePort();
    } while (tls_port_ == port_);
    MakeCertificate();
    // Fixed Diffie-Hellman parameters: without them ngircd computes its own at every start,
    // which takes a second or more.
    const auto& path = folder_.Path();
    std::ofstream(path / "ngircd.conf", std::ios::app)
        << "[SSL]\nCertFile = " << (path / "cert.pem").string()
        << "\nKeyFile = " << (path / "key.pem").string()
        << "\nDHFile = " << (path / "dh.pem").string() << "\nPorts = " << tls_port_ << "\n";
  }
  Start();
}

void NgircdServer::MakeCertificate() {
  const auto& path = folder_.Path();
  const auto run = [](const std::vector<std::string>& argv) {
    const auto result = test_support::RunProcess(argv);
    if (result.exit_code != 0) throw std::runtime_error("openssl failed: " + result.err);
    return result.out;
  };
  run({kOpenssl, "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
       "-nodes", "-days", "2", "-subj", "/CN=localhost", "-keyout", (path / "key.pem").string(),
       "-out", (path / "cert.pem").string()});
  run({kOpenssl, "genpkey", "-genparam", "-algorithm", "DH", "-pkeyopt", "group:ffdhe2048", "-out",
       (path / "dh.pem").string()});
  // Readable by "nobody" too, as the configuration is: ngircd may read them after dropping to it.
  for (const char* name : {"key.pem", "cert.pem", "dh.pem"}) {
    std::filesystem::permissions(path / name, std::filesystem::perms(0644));
  }
  // "sha256 Fingerprint=AB:CD:...".
  const std::string shown = run(
      {kOpenssl, "x509", "-noout", "-fingerprint", "-sha256", "-in", (path / "cert.pem").string()});
  for (const char c : shown.substr(shown.find('=') + 1)) {
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      fingerprint_ += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
}

NgircdServer::~NgircdServer() {
  Stop();
}

void NgircdServer::Start() {
  const std::string config = (folder_.Path() / "ngircd.conf").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {kNgircd, "-n", "-f", config.c_str(), nullptr};
  const int error =
      posix_spawn(&pid_, kNgircd, &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("ngircd could not be started");
  AwaitListening(port_);
  if (tls_port_ != 0) AwaitListening(tls_port_);
}

void NgircdServer::AwaitListening(int port) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    const int fd = ConnectTo(port);
    if (fd >= 0) {
      ::close(fd);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("ngircd does not accept connections");
}

void NgircdServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

IrcPeer::IrcPeer(int port, const std::string& nick, const std::string& password)
    : socket_(ConnectTo(port)) {
  if (socket_ < 0) throw std::runtime_error("the peer cannot connect");
  if (!password.empty()) Send("PASS " + password);
  Send("NICK " + nick);
  Send("USER peer 0 * :Test Peer");
  // Both ends of the greeting, 376 and 422, say "MOTD" in capitals.
  if (!WaitFor("MOTD", [] {})) {
    throw std::runtime_error("the server did not greet the peer");
  }
}

IrcPeer::~IrcPeer() {
  ::close(socket_);
}

void IrcPeer::Send(const std::string& line) {
  const std::string bytes = line + "\r\n";
  ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

bool IrcPeer::ReadAvailable(int wait_ms) {
  pollfd fd{socket_, POLLIN, 0};
  if (::poll(&fd, 1, wait_ms) <= 0) return false;
  char buffer[4096];
  const auto count = ::recv(socket_, buffer, sizeof buffer, 0);
  if (count <= 0) return false;
  pending_.append(buffer, static_cast<std::size_t>(count));
  for (auto end = pending_.find("\r\n"); end != std::string::npos; end = pending_.find("\r\n")) {
    const std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 2);
    // Answer the server's keep-alive ourselves.
    if (line.starts_with("PING ")) Send("PONG " + line.substr(5));
    lines_.push_back(line);
  }
  return true;
}

std::optional<std::string> IrcPeer::WaitFor(const std::string& text,
                                            const std::function<void()>& pump,
                                            std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    consumed_.resize(lines_.size(), false);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (!consumed_[i] && lines_[i].find(text) != std::string::npos) {
        consumed_[i] = true;
        return lines_[i];
      }
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    ReadAvailable(5);
    pump();
  }
}

}  // namespace ostravel::test

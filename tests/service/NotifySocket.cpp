#include "NotifySocket.h"

#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace ostravel::test {

NotifySocket::NotifySocket(const std::filesystem::path& folder) : path_(folder / "notify") {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = path_.string();
  if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long");
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("cannot bind " + path + ": " + std::strerror(errno));
  }
  setenv("NOTIFY_SOCKET", path.c_str(), 1);
}

NotifySocket::~NotifySocket() {
  unsetenv("NOTIFY_SOCKET");
  close(fd_);
  std::filesystem::remove(path_);
}

std::string NotifySocket::Next() {
  pollfd fd{fd_, POLLIN, 0};
  if (poll(&fd, 1, 60'000) <= 0) return "";
  char buffer[4096];
  const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
}

}  // namespace ostravel::test

#include "service/http/ListenSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ostravel::service {
namespace {

[[noreturn]] void Fail(const std::string& address, uint16_t port, const char* what, int error) {
  throw std::runtime_error("cannot listen on " + address + ":" + std::to_string(port) + ": " +
                           what + ": " + std::strerror(error));
}

}  // namespace

ListenSocket::ListenSocket(const std::string& address, uint16_t port, int backlog) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
  if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    length = sizeof *v4;
  } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    length = sizeof *v6;
  } else {
    Fail(address, port, "not a numeric IPv4 or IPv6 address", EINVAL);
  }
  fd_ = socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) Fail(address, port, "socket", errno);
  const int on = 1;
  setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (storage.ss_family == AF_INET6) setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  if (bind(fd_, reinterpret_cast<sockaddr*>(&storage), length) != 0 || listen(fd_, backlog) != 0) {
    const int error = errno;
    close(fd_);
    fd_ = -1;
    Fail(address, port, "bind", error);
  }
  socklen_t boundLength = sizeof storage;
  getsockname(fd_, reinterpret_cast<sockaddr*>(&storage), &boundLength);
  port_ = ntohs(storage.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
}

ListenSocket::~ListenSocket() {
  if (fd_ >= 0) close(fd_);
}

void ListenSocket::ReserveDescriptors(std::size_t count) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= count) return;
  limit.rlim_cur = std::min<rlim_t>(count, limit.rlim_max);
  setrlimit(RLIMIT_NOFILE, &limit);
}

int ListenSocket::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

}  // namespace ostravel::service

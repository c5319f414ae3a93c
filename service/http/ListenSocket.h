#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ostravel::service {

// A bound, listening, non-blocking TCP socket. Opened here rather than by the HTTP library so
// that a failure names the address and the reason ("Address already in use").
class ListenSocket {
 public:
  // Throws std::runtime_error with the address and the system's reason.
  ListenSocket(const std::string& address, uint16_t port, int backlog);
  ~ListenSocket();
  ListenSocket(const ListenSocket&) = delete;
  ListenSocket& operator=(const ListenSocket&) = delete;

  int Descriptor() const { return fd_; }
  uint16_t Port() const { return port_; }
  // Gives the socket away (to the library that will close it).
  int Release();

  // Raises the process's soft limit of open files to `count` where the hard limit allows:
  // the usual soft limit of 1024 would refuse connections long before the server's own cap.
  static void ReserveDescriptors(std::size_t count);

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace ostravel::service

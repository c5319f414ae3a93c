#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ostravel::service {

// Open connections per client address, for the cap per address. Counted when a connection
// has opened and uncounted when it closes, so nothing stays counted for a connection that
// failed half-way; two connections from one address accepted at the same moment on two
// worker threads may therefore pass the cap by one each.
class AddressConnections {
 public:
  explicit AddressConnections(unsigned cap) : cap_(cap) {}

  // True when the address holds its cap already (a cap of 0 never is).
  bool Full(const std::string& address);
  void Opened(const std::string& address);
  void Closed(const std::string& address);

 private:
  const unsigned cap_;
  std::mutex mutex_;
  std::unordered_map<std::string, unsigned> open_;
};

}  // namespace ostravel::service

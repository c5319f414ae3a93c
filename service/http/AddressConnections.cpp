#include "service/http/AddressConnections.h"

namespace ostravel::service {

bool AddressConnections::Full(const std::string& address) {
  if (cap_ == 0) return false;
  const std::lock_guard lock(mutex_);
  const auto entry = open_.find(address);
  return entry != open_.end() && entry->second >= cap_;
}

void AddressConnections::Opened(const std::string& address) {
  const std::lock_guard lock(mutex_);
  ++open_[address];
}

void AddressConnections::Closed(const std::string& address) {
  const std::lock_guard lock(mutex_);
  const auto entry = open_.find(address);
  if (entry == open_.end()) return;
  if (--entry->second == 0) open_.erase(entry);
}

}  // namespace ostravel::service

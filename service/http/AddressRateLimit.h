#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ostravel::service {

// Requests per client address as a token bucket: `burst` at once, refilled at `perSecond`.
// Addresses whose bucket has refilled are forgotten now and then, so that a crowd of
// addresses seen once does not stay in memory.
class AddressRateLimit {
 public:
  // burst 0 turns the limit off.
  AddressRateLimit(unsigned burst, double perSecond);

  // 0 when the request may go on, else the whole seconds until the address may ask again.
  int Admit(const std::string& address, std::int64_t nowMs);

  // Counts `requests` more against the address, as if it had made them (down to an empty
  // bucket, never into debt).
  void Charge(const std::string& address, unsigned requests, std::int64_t nowMs);

  std::size_t AddressesHeld();

 private:
  struct Bucket {
    double tokens = 0;
    std::int64_t updated_ms = 0;
  };
  void ForgetRefilled(std::int64_t nowMs);
  Bucket& Refilled(const std::string& address, std::int64_t nowMs);

  const double burst_;
  const double perMs_;
  std::mutex mutex_;
  std::unordered_map<std::string, Bucket> buckets_;
  std::int64_t lastSweepMs_ = 0;
};

}  // namespace ostravel::service

#include "service/http/AddressRateLimit.h"

#include <algorithm>
#include <cmath>

namespace ostravel::service {
namespace {

constexpr std::int64_t kSweepEveryMs = 60'000;

}  // namespace

AddressRateLimit::AddressRateLimit(unsigned burst, double perSecond)
    : burst_(burst), perMs_(std::max(perSecond, 0.0) / 1000.0) {}

int AddressRateLimit::Admit(const std::string& address, std::int64_t nowMs) {
  if (burst_ == 0) return 0;
  const std::lock_guard lock(mutex_);
  if (nowMs - lastSweepMs_ >= kSweepEveryMs) ForgetRefilled(nowMs);
  Bucket& bucket = Refilled(address, nowMs);
  if (bucket.tokens >= 1.0) {
    bucket.tokens -= 1.0;
    return 0;
  }
  if (perMs_ <= 0) return 3600;
  const double waitMs = (1.0 - bucket.tokens) / perMs_;
  return std::max(1, static_cast<int>(std::ceil(waitMs / 1000.0)));
}

void AddressRateLimit::Charge(const std::string& address, unsigned requests, std::int64_t nowMs) {
  if (burst_ == 0) return;
  const std::lock_guard lock(mutex_);
  Bucket& bucket = Refilled(address, nowMs);
  bucket.tokens = std::max(0.0, bucket.tokens - requests);
}

AddressRateLimit::Bucket& AddressRateLimit::Refilled(const std::string& address,
                                                     std::int64_t nowMs) {
  auto [entry, inserted] = buckets_.try_emplace(address, Bucket{burst_, nowMs});
  Bucket& bucket = entry->second;
  if (!inserted) {
    const auto elapsed = static_cast<double>(std::max<std::int64_t>(nowMs - bucket.updated_ms, 0));
    bucket.tokens = std::min(burst_, bucket.tokens + elapsed * perMs_);
    bucket.updated_ms = nowMs;
  }
  return bucket;
}

std::size_t AddressRateLimit::AddressesHeld() {
  const std::lock_guard lock(mutex_);
  return buckets_.size();
}

void AddressRateLimit::ForgetRefilled(std::int64_t nowMs) {
  lastSweepMs_ = nowMs;
  std::erase_if(buckets_, [&](const auto& entry) {
    const Bucket& bucket = entry.second;
    return bucket.tokens + static_cast<double>(nowMs - bucket.updated_ms) * perMs_ >= burst_;
  });
}

}  // namespace ostravel::service

#include "service/scripts/RefusalLog.h"

namespace ostravel::service {
namespace {

constexpr std::int64_t kWindowMs = 60'000;
// Addresses remembered before the ones whose minute is over are forgotten.
constexpr std::size_t kPruneAt = 10'000;

}  // namespace

std::optional<std::int64_t> RefusalLog::Admit(const std::string& address, std::int64_t now_ms) {
  const std::lock_guard lock(mutex_);
  if (windows_.size() >= kPruneAt) Prune(now_ms);
  auto [it, fresh] = windows_.try_emplace(address, Window{now_ms, 0});
  if (fresh) return 0;
  Window& window = it->second;
  if (now_ms - window.started_ms < kWindowMs) {
    ++window.left_out;
    return std::nullopt;
  }
  const std::int64_t left_out = window.left_out;
  window = {now_ms, 0};
  return left_out;
}

void RefusalLog::Prune(std::int64_t now_ms) {
  std::erase_if(windows_, [now_ms](const auto& entry) {
    return now_ms - entry.second.started_ms >= kWindowMs;
  });
}

}  // namespace ostravel::service

#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace ostravel::service {

// Keeps a stream of the same refusal from flooding the error log: the first refusal from an
// address is logged, the next ones within a minute are only counted, and the first one after
// that minute is logged with the count of those left out.
class RefusalLog {
 public:
  // Whether to log a refusal from `address` at `now_ms`: nullopt to leave it out, else the
  // number of refusals from that address left out since the last logged one.
  std::optional<std::int64_t> Admit(const std::string& address, std::int64_t now_ms);

 private:
  struct Window {
    std::int64_t started_ms = 0;
    std::int64_t left_out = 0;
  };
  void Prune(std::int64_t now_ms);

  std::mutex mutex_;
  std::unordered_map<std::string, Window> windows_;
};

}  // namespace ostravel::service

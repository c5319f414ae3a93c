#include "irc/IRCRateLimit.h"

#include <utility>

namespace ostravel {

IRCRateLimit::IRCRateLimit(int count, std::chrono::milliseconds window, Clock now)
    : count_(count), window_(window), now_(std::move(now)) {}

bool IRCRateLimit::Take() {
  const auto now = now_();
  // The window is half open: an event exactly `window` ago no longer counts.
  while (!taken_.empty() && now - taken_.front() >= window_) taken_.pop_front();
  if (static_cast<int>(taken_.size()) >= count_) return false;
  taken_.push_back(now);
  return true;
}

}  // namespace ostravel

#pragma once

#include <chrono>
#include <deque>
#include <functional>

namespace ostravel {

// Lets at most `count` events through in any `window` of time, sliding: used so that a flood
// of CTCP requests gets a few replies and nothing more, instead of filling the send queue.
class IRCRateLimit {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  IRCRateLimit(int count, std::chrono::milliseconds window,
               Clock now = std::chrono::steady_clock::now);

  // True when one more event may pass now (and counts it); a refused event does not count.
  bool Take();

 private:
  int count_;
  std::chrono::milliseconds window_;
  Clock now_;
  // When each event still inside the window passed, oldest first.
  std::deque<std::chrono::steady_clock::time_point> taken_;
};

}  // namespace ostravel

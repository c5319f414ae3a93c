#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "host/Signal.h"
#include "host/Timer.h"

namespace ostravel {

struct Context;

// The plug-in's one-minute heartbeat after login: it counts towards the automatic character
// update and asks the list pages to refresh themselves (each decides whether it shows).
class PostTimer {
 public:
  // The pages the tick drives: the plug-in's own page objects.
  struct Pages {
    std::function<bool()> auto_update_checked;
    std::function<void()> update;  // the character update, not printed
    std::function<void()> refresh_members;
    std::function<void()> refresh_groups;
    std::function<void()> message_trigger;
    std::function<void()> refresh_quests;
  };

  PostTimer(Context& ctx, Pages pages);
  ~PostTimer();
  PostTimer(const PostTimer&) = delete;
  PostTimer& operator=(const PostTimer&) = delete;

  // Starts the minute ticks (the timer is made on first use); a running timer goes on as it is.
  void Enable();
  // Stops the ticks, so that none reaches a page that is going away.
  void Stop();
  // One tick.
  void PostTimer_Timer();

  static constexpr std::int32_t kIntervalMs = 60000;

 private:
  Context& ctx_;
  Pages pages_;
  std::unique_ptr<host::Timer> timer_;
  host::Connection tick_;
};

}  // namespace ostravel

#include "web/PostTimer.h"

#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"

namespace ostravel {
namespace {

// The character update goes out at every 30th tick after the last one.
constexpr std::int32_t kTicksPerUpdate = 30;

}  // namespace

PostTimer::PostTimer(Context& ctx, Pages pages) : ctx_(ctx), pages_(std::move(pages)) {}

PostTimer::~PostTimer() {
  Stop();
}

void PostTimer::Enable() {
  if (!timer_) {
    timer_ = Require(ctx_.PluginSite).CreateTimer();
    tick_ = timer_->Timeout.Connect([this](host::Timer&) { PostTimer_Timer(); });
  }
  if (!timer_->Running()) timer_->Start(kIntervalMs);
}

void PostTimer::Stop() {
  tick_.Disconnect();
  if (timer_) timer_->Stop();
  timer_.reset();
}

void PostTimer::PostTimer_Timer() {
  // Each step reports its own failure; the pages after it still get their minute.
  ErrorHandler step{ctx_, "Timer", "PostTimer_Timer"};
  step([&] {
    if (ctx_.UpdateTicks >= kTicksPerUpdate) {
      if (pages_.auto_update_checked()) pages_.update();
    } else {
      ++ctx_.UpdateTicks;
    }
  });
  step([&] { pages_.refresh_members(); });
  step([&] { pages_.refresh_groups(); });
  step([&] { pages_.message_trigger(); });
  step([&] { pages_.refresh_quests(); });
}

}  // namespace ostravel

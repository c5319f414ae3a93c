#include "com/plugin/ComTimer.h"

namespace ostravel::com {

class TimerSink final : public Sink<ComTimer, IDecalTimerEvents> {
 public:
  explicit TimerSink(ComTimer* owner) : Sink(owner) {}
  STDMETHOD(Timeout)(IDecalTimer*) override {
    return Forward([](ComTimer& owner) { owner.Timeout.Emit(owner); });
  }
};

ComTimer::ComTimer(ComPtr<IDecalTimer> timer)
    : timer_(std::move(timer)), events_(AdviseSink<TimerSink>(timer_, this)) {}

ComTimer::~ComTimer() {
  events_.reset();
  timer_->Stop();
}

void ComTimer::Start(std::int32_t interval_ms) {
  ThrowIfFailed(timer_->Start(interval_ms));
}
void ComTimer::Stop() {
  ThrowIfFailed(timer_->Stop());
}

bool ComTimer::Running() const {
  VARIANT_BOOL running = VARIANT_FALSE;
  ThrowIfFailed(timer_->get_Running(&running));
  return FromVariantBool(running);
}

}  // namespace ostravel::com

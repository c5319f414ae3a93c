#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/plugin/ComEvents.h"
#include "host/Timer.h"

namespace ostravel::com {

class TimerSink;

// A host timer through IDecalTimer. Destroying the adapter stops the timer and unadvises it,
// so no tick arrives afterwards even if the host keeps the timer.
class ComTimer final : public host::Timer {
 public:
  explicit ComTimer(ComPtr<IDecalTimer> timer);
  ~ComTimer() override;

  void Start(std::int32_t interval_ms) override;
  void Stop() override;
  bool Running() const override;

 private:
  ComPtr<IDecalTimer> timer_;
  std::unique_ptr<Advice<TimerSink>> events_;
};

}  // namespace ostravel::com

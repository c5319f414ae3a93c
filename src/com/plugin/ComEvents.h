#pragma once

#include <memory>
#include <utility>

#include "com/ComSupport.h"

namespace ostravel::com {

// A sink that hands a source's events to its owning adapter while attached. The host may keep
// a reference to it after the adapter is gone; by then it is detached and drops the events.
template <class Owner, class Events>
class Sink : public ComObject<Events> {
 public:
  void Detach() noexcept { owner_ = nullptr; }

 protected:
  explicit Sink(Owner* owner) noexcept : owner_(owner) {}

  // Runs `raise(owner)`; nothing thrown crosses back into the host.
  template <class Raise>
  HRESULT Forward(Raise&& raise) noexcept {
    try {
      if (owner_) raise(*owner_);
      return S_OK;
    } catch (...) {
      return ReportedHresult();
    }
  }

 private:
  Owner* owner_;
};

// A sink advised to a source for as long as this lives: the destructor detaches the sink and
// unadvises it, so no event reaches the owner afterwards.
template <class SinkType>
class Advice {
 public:
  // Throws Error when the source refuses the sink.
  Advice(ComPtr<IDecalEventSource> source, ComPtr<SinkType> sink)
      : source_(std::move(source)), sink_(std::move(sink)) {
    ThrowIfFailed(source_->Advise(static_cast<IUnknown*>(sink_.Get()), &cookie_));
  }
  ~Advice() {
    sink_->Detach();
    source_->Unadvise(cookie_);
  }
  Advice(const Advice&) = delete;
  Advice& operator=(const Advice&) = delete;

 private:
  ComPtr<IDecalEventSource> source_;
  ComPtr<SinkType> sink_;
  DWORD cookie_ = 0;
};

// The sink made for `owner` and advised to `source`.
template <class SinkType, class Owner, class Source>
std::unique_ptr<Advice<SinkType>> AdviseSink(const ComPtr<Source>& source, Owner* owner) {
  ComPtr<IDecalEventSource> events(source.Get());
  return std::make_unique<Advice<SinkType>>(std::move(events), MakeComObject<SinkType>(owner));
}

}  // namespace ostravel::com

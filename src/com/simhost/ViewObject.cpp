#include "com/simhost/ViewObject.h"

#include <utility>

#include "com/simhost/ControlObjects.h"
#include "com/simhost/Guarded.h"

namespace ostravel::com::simhost {

ViewObject::ViewObject(std::shared_ptr<host::View> view, std::shared_ptr<HostCounters> counters)
    : Counted(std::move(counters)), view_(std::move(view)) {
  activate_ =
      view_->Activate.Connect([this] { Raise([](IDecalViewEvents* s) { s->Activate(); }); });
  deactivate_ =
      view_->Deactivate.Connect([this] { Raise([](IDecalViewEvents* s) { s->Deactivate(); }); });
  size_ = view_->Size.Connect([this](bool& answer) {
    VARIANT_BOOL resizable = ToVariantBool(answer);
    Raise([&](IDecalViewEvents* s) { s->Size(&resizable); });
    answer = FromVariantBool(resizable);
  });
}

template <class Call>
void ViewObject::Raise(Call&& call) {
  ComPtr<IDecalView> hold(this);
  Deliver(sinks_, std::forward<Call>(call));
}

HRESULT ViewObject::ControlByName(BSTR name, IDecalControl** control) {
  if (!control) return E_POINTER;
  *control = nullptr;
  return Guarded([&] {
    *control = MakeControlObject(view_->ControlByName(ToUtf8(name)), Counters()).Detach();
  });
}

}  // namespace ostravel::com::simhost

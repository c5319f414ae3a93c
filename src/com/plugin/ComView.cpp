#include "com/plugin/ComView.h"

#include "com/plugin/ComControls.h"

namespace ostravel::com {

class ViewSink final : public Sink<ComView, IDecalViewEvents> {
 public:
  explicit ViewSink(ComView* owner) : Sink(owner) {}
  STDMETHOD(Activate)() override {
    return Forward([](ComView& owner) { owner.Activate.Emit(); });
  }
  STDMETHOD(Deactivate)() override {
    return Forward([](ComView& owner) { owner.Deactivate.Emit(); });
  }
  STDMETHOD(Size)(VARIANT_BOOL* answer) override {
    if (!answer) return E_POINTER;
    return Forward([&](ComView& owner) {
      bool may_resize = FromVariantBool(*answer);
      owner.Size.Emit(may_resize);
      *answer = ToVariantBool(may_resize);
    });
  }
};

ComView::ComView(ComPtr<IDecalView> view)
    : view_(std::move(view)), events_(AdviseSink<ViewSink>(view_, this)) {}

ComView::~ComView() = default;

std::shared_ptr<host::Control> ComView::ControlByName(const std::string& name) {
  Bstr bstr(name);
  ComPtr<IDecalControl> control;
  ThrowIfFailed(view_->ControlByName(bstr.Get(), control.GetAddressOf()));
  return MakeControl(control);
}

}  // namespace ostravel::com

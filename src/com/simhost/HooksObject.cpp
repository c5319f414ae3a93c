#include "com/simhost/HooksObject.h"

#include <utility>

#include "com/simhost/Guarded.h"

namespace ostravel::com::simhost {

HooksObject::HooksObject(std::shared_ptr<host::Hooks> hooks, std::shared_ptr<HostCounters> counters)
    : Counted(std::move(counters)), hooks_(std::move(hooks)) {
  intercept_ = hooks_->ChatParserIntercept.Connect(
      [this](const std::string& line, bool& eat) { Intercept(line, eat); });
}

void HooksObject::Intercept(const std::string& line, bool& eat) {
  ComPtr<IDecalHooks> hold(this);
  const Bstr text(line);
  // Each sink sees what the sinks before it decided.
  VARIANT_BOOL eaten = ToVariantBool(eat);
  Deliver(sinks_, [&](IDecalHooksEvents* sink) { sink->ChatParserIntercept(text.Get(), &eaten); });
  eat = FromVariantBool(eaten);
}

HRESULT HooksObject::ChatOut(BSTR text, LONG color, LONG window) {
  return Guarded([&] {
    NoticeClipboard();
    hooks_->ChatOut(ToUtf8(text), color, window);
  });
}

HRESULT HooksObject::ChatText(BSTR text, LONG color, LONG window) {
  return Guarded([&] {
    NoticeClipboard();
    hooks_->ChatText(ToUtf8(text), color, window);
  });
}

HRESULT HooksObject::InvokeChatParser(BSTR line) {
  return Guarded([&] {
    NoticeClipboard();
    hooks_->InvokeChatParser(ToUtf8(line));
  });
}

HRESULT HooksObject::get_CurrentSelection(LONG* id) {
  if (!id) return E_POINTER;
  return Guarded([&] { *id = hooks_->CurrentSelection(); });
}

HRESULT HooksObject::get_Location(LONG* location) {
  if (!location) return E_POINTER;
  return Guarded([&] { *location = hooks_->Location(); });
}

HRESULT HooksObject::TypeText(BSTR text, LONG flag) {
  return Guarded([&] {
    NoticeClipboard();
    hooks_->TypeText(ToUtf8(text), flag);
  });
}

}  // namespace ostravel::com::simhost

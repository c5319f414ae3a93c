#include "com/plugin/ComHooks.h"

#include "platform/Clipboard.h"

namespace ostravel::com {

class HooksSink final : public Sink<ComHooks, IDecalHooksEvents> {
 public:
  explicit HooksSink(ComHooks* owner) : Sink(owner) {}
  STDMETHOD(ChatParserIntercept)(BSTR bstrText, VARIANT_BOOL* bEat) override {
    if (!bEat) return E_POINTER;
    return Forward([&](ComHooks& owner) {
      // An earlier sink may already have eaten the line; the plug-in only ever adds to that.
      bool eat = FromVariantBool(*bEat);
      owner.ChatParserIntercept.Emit(ToUtf8(bstrText), eat);
      *bEat = ToVariantBool(eat);
    });
  }
};

ComHooks::ComHooks(ComPtr<IDecalHooks> hooks)
    : hooks_(std::move(hooks)), events_(AdviseSink<HooksSink>(hooks_, this)) {}

ComHooks::~ComHooks() = default;

void ComHooks::ChatOut(const std::string& text, std::int32_t color, std::int32_t window) {
  Bstr bstr(text);
  ThrowIfFailed(hooks_->ChatOut(bstr.Get(), color, window));
}

void ComHooks::ChatText(const std::string& text, std::int32_t color, std::int32_t window) {
  Bstr bstr(text);
  ThrowIfFailed(hooks_->ChatText(bstr.Get(), color, window));
}

void ComHooks::InvokeChatParser(const std::string& line) {
  Bstr bstr(line);
  ThrowIfFailed(hooks_->InvokeChatParser(bstr.Get()));
}

std::int32_t ComHooks::CurrentSelection() const {
  LONG id = 0;
  ThrowIfFailed(hooks_->get_CurrentSelection(&id));
  return id;
}

std::int32_t ComHooks::Location() const {
  LONG location = 0;
  ThrowIfFailed(hooks_->get_Location(&location));
  return location;
}

bool ComHooks::SetClipboardText(const std::string& text) {
  return platform::SetClipboardText(text);
}

void ComHooks::TypeText(const std::string& text, std::int32_t flag) {
  Bstr bstr(text);
  ThrowIfFailed(hooks_->TypeText(bstr.Get(), flag));
}

}  // namespace ostravel::com

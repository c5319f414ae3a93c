#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/plugin/ComEvents.h"
#include "host/Hooks.h"

namespace ostravel::com {

class HooksSink;

// The host's hooks through IDecalHooks; the clipboard is the system's.
class ComHooks final : public host::Hooks {
 public:
  explicit ComHooks(ComPtr<IDecalHooks> hooks);
  ~ComHooks() override;

  void ChatOut(const std::string& text, std::int32_t color, std::int32_t window) override;
  void ChatText(const std::string& text, std::int32_t color, std::int32_t window) override;
  void InvokeChatParser(const std::string& line) override;
  std::int32_t CurrentSelection() const override;
  std::int32_t Location() const override;
  bool SetClipboardText(const std::string& text) override;
  void TypeText(const std::string& text, std::int32_t flag) override;

 private:
  ComPtr<IDecalHooks> hooks_;
  std::unique_ptr<Advice<HooksSink>> events_;
};

}  // namespace ostravel::com

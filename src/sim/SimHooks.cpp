#include "sim/SimHooks.h"

namespace ostravel::sim {

void SimHooks::ChatOut(const std::string& text, std::int32_t color, std::int32_t window) {
  Report(Effect{.kind = Effect::Kind::kChat,
                .text = text,
                .color = color,
                .window = window,
                .prefixed = true});
}

void SimHooks::ChatText(const std::string& text, std::int32_t color, std::int32_t window) {
  Report(Effect{.kind = Effect::Kind::kChat,
                .text = text,
                .color = color,
                .window = window,
                .prefixed = false});
}

void SimHooks::InvokeChatParser(const std::string& line) {
  Report(Effect{.kind = Effect::Kind::kInvoke, .text = line});
}

bool SimHooks::SetClipboardText(const std::string& text) {
  Report(Effect{.kind = Effect::Kind::kClipboard, .text = text});
  return true;
}

void SimHooks::TypeText(const std::string& text, std::int32_t flag) {
  Report(Effect{.kind = Effect::Kind::kTypeText, .text = text, .flag = flag});
}

void SimHooks::Report(const Effect& effect) const {
  // A copy, so that a sink that replaces itself does not destroy the function it runs in.
  if (EffectSink sink = sink_) sink(effect);
}

}  // namespace ostravel::sim

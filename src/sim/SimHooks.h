#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "host/Hooks.h"
#include "sim/SimHost.h"

namespace ostravel::sim {

// The host's hooks: every output operation becomes an Effect for the sink; selection and
// location are whatever the game last set.
class SimHooks final : public host::Hooks {
 public:
  void ChatOut(const std::string& text, std::int32_t color, std::int32_t window) override;
  void ChatText(const std::string& text, std::int32_t color, std::int32_t window) override;
  void InvokeChatParser(const std::string& line) override;
  std::int32_t CurrentSelection() const override { return selection_; }
  std::int32_t Location() const override { return location_; }
  bool SetClipboardText(const std::string& text) override;
  void TypeText(const std::string& text, std::int32_t flag) override;

  // Receives every effect from now on; an empty sink drops them.
  void SetSink(EffectSink sink) { sink_ = std::move(sink); }
  // Hands an effect to the sink (also used by the host for lines that reach the game).
  void Report(const Effect& effect) const;
  void SetSelection(std::int32_t object_id) { selection_ = object_id; }
  void SetLocation(std::int32_t landblock) { location_ = landblock; }

 private:
  EffectSink sink_;
  std::int32_t selection_ = 0;
  std::int32_t location_ = 0;
};

}  // namespace ostravel::sim

#include "support/PluginHarness.h"

namespace ostravel::test {

PluginHarness::PluginHarness(sim::CharacterProfile profile)
    : host(env.loop, std::move(profile)), plugin(env.Env()) {
  host.SetEffectSink([this](const sim::Effect& effect) { effects.push_back(effect); });
}

PluginHarness::~PluginHarness() = default;

std::vector<std::string> PluginHarness::ChatTexts() const {
  std::vector<std::string> texts;
  for (const auto& effect : effects) {
    if (effect.kind == sim::Effect::Kind::kChat) texts.push_back(effect.text);
  }
  return texts;
}

}  // namespace ostravel::test

#include "support/PluginHarness.h"

#include "common/ViewSchema.h"
#include "host/ServicePaths.h"

namespace ostravel::test {

PluginHarness::PluginHarness(sim::CharacterProfile profile)
    : host(env.loop, std::move(profile)), plugin(env.Env()) {
  host.SetEffectSink([this](const sim::Effect& effect) { effects.push_back(effect); });
}

PluginHarness::~PluginHarness() = default;

void PluginHarness::PublishHost() {
  auto site = host.Site();
  Context& ctx = State();
  ctx.PluginSite = site->GetPluginSite2();
  ctx.ACHooks = site->GetHooks();
  ctx.World = std::dynamic_pointer_cast<host::World>(site->ObjectByPath(host::kWorldPath));
  ctx.CharacterStats = std::dynamic_pointer_cast<host::CharacterStats>(
      site->ObjectByPath(host::kCharacterStatsPath));
  ctx.MainView = ctx.PluginSite->LoadView(ViewSchema());
}

std::vector<std::string> PluginHarness::ChatTexts() const {
  std::vector<std::string> texts;
  for (const auto& effect : effects) {
    if (effect.kind == sim::Effect::Kind::kChat) texts.push_back(effect.text);
  }
  return texts;
}

}  // namespace ostravel::test

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin/OstravelMain.h"
#include "sim/SimHost.h"
#include "support/TestEnvironment.h"

namespace ostravel::test {

// A plug-in loaded into the simulated host, with every effect the host sees recorded.
class PluginHarness {
 public:
  explicit PluginHarness(sim::CharacterProfile profile = sim::SampleProfile());
  ~PluginHarness();

  void Initialize() { plugin.IPlugin2_Initialize(host.Site()); }
  void Terminate() { plugin.IPlugin2_Terminate(); }

  // The texts written to chat, in order.
  std::vector<std::string> ChatTexts() const;
  Context& State() { return plugin.State(); }

  TestEnvironment env;
  sim::SimHost host;
  OstravelMain plugin;
  std::vector<sim::Effect> effects;
};

}  // namespace ostravel::test

#pragma once

#include <memory>
#include <string>
#include <vector>

#include "plugin/OstravelMain.h"
#include "sim/SimHost.h"
#include "sim/SimView.h"
#include "support/TestEnvironment.h"

namespace ostravel::test {

// A plug-in loaded into the simulated host, with every effect the host sees recorded.
class PluginHarness {
 public:
  explicit PluginHarness(sim::CharacterProfile profile = sim::SampleProfile());
  ~PluginHarness();

  void Initialize() { plugin.IPlugin2_Initialize(host.Site()); }
  // Publishes the host's objects and the loaded view into the plug-in's state as its start does,
  // but makes none of its pages: for tests of one page class on its own.
  void PublishHost();
  void Terminate() { plugin.IPlugin2_Terminate(); }

  // The texts written to chat, in order.
  std::vector<std::string> ChatTexts() const;
  Context& State() { return plugin.State(); }
  // The view's control `name`, of the kind `T` the test knows it to be.
  template <class T>
  T& Control(const std::string& name) {
    return *std::dynamic_pointer_cast<T>(host.View()->Find(name));
  }

  TestEnvironment env;
  sim::SimHost host;
  OstravelMain plugin;
  std::vector<sim::Effect> effects;
};

}  // namespace ostravel::test

#pragma once

#include <filesystem>
#include <memory>

#include "PluginLoader.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/HttpClient.h"
#include "plugin/OstravelMain.h"

namespace ostravel::app {

// The plug-in's C++ class in this process, with the real HTTP client on the session's loop.
class InProcessLoader final : public PluginLoader {
 public:
  InProcessLoader(platform::EventLoop& loop, std::unique_ptr<platform::CodePage> code_page,
                  std::filesystem::path folder);
  ~InProcessLoader() override;

  void Initialize(sim::SimHost& host) override;
  void Terminate() override;
  int RequestsInFlight() override;

 private:
  std::unique_ptr<platform::CodePage> code_page_;
  std::unique_ptr<platform::Clock> clock_;
  std::unique_ptr<platform::HttpClient> http_;
  OstravelMain plugin_;
};

}  // namespace ostravel::app

#include "InProcessLoader.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "sim/SimHost.h"

namespace ostravel::app {

InProcessLoader::InProcessLoader(platform::EventLoop& loop,
                                 std::unique_ptr<platform::CodePage> code_page,
                                 std::filesystem::path folder)
    : code_page_(std::move(code_page)),
      clock_(platform::Clock::System()),
      http_(platform::HttpClient::Create(loop)),
      plugin_(Environment{loop, *code_page_, *clock_, std::move(folder), http_.get()}) {}

InProcessLoader::~InProcessLoader() = default;

void InProcessLoader::Initialize(sim::SimHost& host) {
  plugin_.IPlugin2_Initialize(host.Site());
}

void InProcessLoader::Terminate() {
  plugin_.IPlugin2_Terminate();
}

int InProcessLoader::RequestsInFlight() {
  return static_cast<int>(http_->InFlight());
}

PluginLoaderFactory PrepareLoader(const LoaderOptions& options) {
  if (options.dll) throw std::runtime_error("--dll: the plug-in is built into this workbench");
  // A std::function must be copyable, so the opened code page waits in a shared holder until
  // the one call moves it into the loader.
  auto code_page = std::make_shared<std::unique_ptr<platform::CodePage>>();
  try {
    *code_page = platform::CodePage::Open(options.codepage);
  } catch (const std::exception& error) {
    throw std::runtime_error("code page " + std::to_string(options.codepage) + ": " + error.what());
  }
  return [folder = options.folder, code_page](platform::EventLoop& loop) {
    if (!*code_page) throw std::logic_error("the plug-in is loaded once per session");
    return std::unique_ptr<PluginLoader>(
        std::make_unique<InProcessLoader>(loop, std::move(*code_page), folder));
  };
}

}  // namespace ostravel::app

#include "ComLoader.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "sim/SimHost.h"

namespace ostravel::app {

ComLoader::Apartment::Apartment() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    throw std::runtime_error("COM cannot start on this thread");
  }
}

ComLoader::Apartment::~Apartment() {
  CoUninitialize();
}

ComLoader::ComLoader(std::optional<std::filesystem::path> dll) : dll_(std::move(dll)) {}

ComLoader::~ComLoader() {
  Terminate();
}

void ComLoader::Initialize(sim::SimHost& host) {
  host_ = std::make_unique<com::simhost::ComSimHost>(host);
  if (dll_) {
    module_.emplace(com::simhost::PluginModule::Load(*dll_));
    plugin_ = module_->Create();
  } else {
    plugin_ = com::simhost::PluginModule::CreateRegistered();
  }
  // Without its diagnostics the workbench cannot wait for answers, but it can still run.
  plugin_.As(&diagnostics_);
  com::ThrowIfFailed(plugin_->Initialize(host_->Site()));
}

void ComLoader::Terminate() {
  if (!plugin_) return;
  auto plugin = std::exchange(plugin_, nullptr);
  diagnostics_.Reset();
  plugin->Terminate();
}

int ComLoader::RequestsInFlight() {
  LONG count = 0;
  if (!diagnostics_ || FAILED(diagnostics_->get_RequestsInFlight(&count))) return 0;
  return static_cast<int>(count);
}

PluginLoaderFactory PrepareLoader(const LoaderOptions& options) {
  // The DLL converts text with the system's code page, as it would in the game client.
  const int system = static_cast<int>(GetACP());
  if (options.codepage != system) {
    throw std::runtime_error("code page " + std::to_string(options.codepage) +
                             ": the plug-in uses the system's code page, " +
                             std::to_string(system) + ", on Windows");
  }
  if (options.dll && !std::filesystem::is_regular_file(*options.dll)) {
    throw std::runtime_error(options.dll->string() + ": no such file");
  }
  return [options](platform::EventLoop&) -> std::unique_ptr<PluginLoader> {
    if (!options.dll) return std::make_unique<ComLoader>(std::nullopt);
    // The plug-in keeps "log.txt" and "Ostravel.xml" beside itself, so it is loaded from the
    // session's folder.
    const auto file = options.folder / options.dll->filename();
    std::error_code same_error;
    if (!std::filesystem::equivalent(*options.dll, file, same_error)) {
      // Replaced by removing first: mingw's copy_file refuses to overwrite an existing file.
      std::filesystem::remove(file);
      std::filesystem::copy_file(*options.dll, file);
    }
    return std::make_unique<ComLoader>(file);
  };
}

}  // namespace ostravel::app

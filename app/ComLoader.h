#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "PluginLoader.h"
#include "com/ComSupport.h"
#include "com/OstravelDiagnostics.h"
#include "com/simhost/ComSimHost.h"
#include "com/simhost/PluginModule.h"

namespace ostravel::app {

// The plug-in from ostravel.dll, started through COM with the simulated host offered through
// the declared interfaces: straight from a file through DllGetClassObject, or by its class id
// from the registration.
class ComLoader final : public PluginLoader {
 public:
  // `dll`: the file to load; none: CoCreateInstance of the registered class.
  explicit ComLoader(std::optional<std::filesystem::path> dll);
  ~ComLoader() override;

  void Initialize(sim::SimHost& host) override;
  void Terminate() override;
  int RequestsInFlight() override;

 private:
  // COM on this thread for the loader's lifetime, as the game client's thread has it.
  struct Apartment {
    Apartment();
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
  };

  Apartment apartment_;
  std::optional<std::filesystem::path> dll_;
  std::optional<com::simhost::PluginModule> module_;
  std::unique_ptr<com::simhost::ComSimHost> host_;
  com::ComPtr<IPlugin2> plugin_;
  com::ComPtr<IOstravelDiagnostics> diagnostics_;
};

}  // namespace ostravel::app

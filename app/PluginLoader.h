#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "wire/CodePageDefault.h"

namespace ostravel::platform {
class EventLoop;
}

namespace ostravel::sim {
class SimHost;
}

namespace ostravel::app {

// How the workbench brings the plug-in into the simulated host. On Linux the plug-in's C++
// class lives in this process; on Windows it comes from ostravel.dll through COM. Everything
// else of the workbench is the same for both.
class PluginLoader {
 public:
  virtual ~PluginLoader() = default;

  // Starts the plug-in in the host (IPlugin2_Initialize); throws std::exception when the
  // plug-in cannot be reached at all (its own start-up errors go to its log and chat).
  virtual void Initialize(sim::SimHost& host) = 0;
  // Stops the plug-in (IPlugin2_Terminate) and lets it go.
  virtual void Terminate() = 0;
  // The web requests the plug-in has sent and not yet seen answered.
  virtual int RequestsInFlight() = 0;
};

// What the command line says about the plug-in to load.
struct LoaderOptions {
  std::filesystem::path folder;  // the plug-in's folder: "log.txt" and "Ostravel.xml"
  int codepage = wire::kDefaultCodePage;
  std::optional<std::filesystem::path> dll;  // Windows: load this file instead of the class id
};

// Makes the loader once the session's loop exists.
using PluginLoaderFactory = std::function<std::unique_ptr<PluginLoader>(platform::EventLoop&)>;

// Checks the options (code page, plug-in file) before anything of the session is made, and
// answers how to make the loader; throws std::runtime_error with a message for the person.
PluginLoaderFactory PrepareLoader(const LoaderOptions& options);

}  // namespace ostravel::app

#pragma once

#include <filesystem>

#include "com/ComSupport.h"

namespace ostravel::com::simhost {

// ostravel.dll as a host loads it: straight from a file through DllGetClassObject, or by the
// class id of its registration. The module stays loaded while any object of it may live.
class PluginModule {
 public:
  // Loads the DLL at `file`; throws Error naming the file when it cannot be loaded or lacks
  // the exports of an in-process server.
  static PluginModule Load(const std::filesystem::path& file);
  // A plug-in object made by COM from the registration of the class id (CoCreateInstance);
  // throws Error when the class is not registered or fails to start.
  static ComPtr<IPlugin2> CreateRegistered();

  PluginModule(PluginModule&& other) noexcept;
  PluginModule& operator=(PluginModule&&) = delete;
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;
  // Frees the DLL if it says it can be unloaded (no object or lock left); otherwise it stays.
  ~PluginModule();

  // A new plug-in object from the module's class factory.
  ComPtr<IPlugin2> Create() const;
  // What the module's DllCanUnloadNow answers.
  bool CanUnloadNow() const;
  // Writes or removes the module's registration (DllRegisterServer, DllUnregisterServer);
  // throws Error when it fails.
  void Register() const;
  void Unregister() const;

 private:
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  using ServerCall = HRESULT(STDAPICALLTYPE*)();

  void CallExport(const char* name) const;

  PluginModule(HMODULE module, GetClassObject get_class_object, CanUnload can_unload);

  HMODULE module_ = nullptr;
  GetClassObject get_class_object_ = nullptr;
  CanUnload can_unload_ = nullptr;
};

}  // namespace ostravel::com::simhost

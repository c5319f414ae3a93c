#include "com/simhost/PluginModule.h"

#include <string>
#include <utility>

#include "base/Error.h"

namespace ostravel::com::simhost {
namespace {

template <class Function>
Function Export(HMODULE module, const char* name) {
  // GetProcAddress answers a generic function pointer; the export's type is the server's.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

PluginModule PluginModule::Load(const std::filesystem::path& file) {
  HMODULE module = LoadLibraryW(file.wstring().c_str());
  if (!module) {
    const auto code = HRESULT_FROM_WIN32(GetLastError());
    throw Error(NumberFromHresult(code), file.string() + ": the plug-in cannot be loaded");
  }
  auto get_class_object = Export<GetClassObject>(module, "DllGetClassObject");
  auto can_unload = Export<CanUnload>(module, "DllCanUnloadNow");
  if (!get_class_object || !can_unload) {
    FreeLibrary(module);
    throw Error(NumberFromHresult(E_FAIL), file.string() + ": not an in-process COM server");
  }
  return PluginModule(module, get_class_object, can_unload);
}

ComPtr<IPlugin2> PluginModule::CreateRegistered() {
  ComPtr<IPlugin2> plugin;
  ThrowIfFailed(
      CoCreateInstance(kOstravelMainClassId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&plugin)));
  return plugin;
}

PluginModule::PluginModule(HMODULE module, GetClassObject get_class_object, CanUnload can_unload)
    : module_(module), get_class_object_(get_class_object), can_unload_(can_unload) {}

PluginModule::PluginModule(PluginModule&& other) noexcept
    : module_(std::exchange(other.module_, nullptr)),
      get_class_object_(other.get_class_object_),
      can_unload_(other.can_unload_) {}

PluginModule::~PluginModule() {
  // Freeing the code of an object still in use would crash its next call; a module that
  // cannot go yet simply stays, as COM's own CoFreeUnusedLibraries leaves it.
  if (module_ && CanUnloadNow()) FreeLibrary(module_);
}

ComPtr<IPlugin2> PluginModule::Create() const {
  ComPtr<IClassFactory> factory;
  ThrowIfFailed(get_class_object_(kOstravelMainClassId, IID_PPV_ARGS(&factory)));
  ComPtr<IPlugin2> plugin;
  ThrowIfFailed(factory->CreateInstance(nullptr, IID_PPV_ARGS(&plugin)));
  return plugin;
}

bool PluginModule::CanUnloadNow() const {
  return can_unload_ && can_unload_() == S_OK;
}

void PluginModule::Register() const {
  CallExport("DllRegisterServer");
}

void PluginModule::Unregister() const {
  CallExport("DllUnregisterServer");
}

void PluginModule::CallExport(const char* name) const {
  auto call = Export<ServerCall>(module_, name);
  if (!call) throw Error(NumberFromHresult(E_NOTIMPL), std::string(name) + " is missing");
  ThrowIfFailed(call());
}

}  // namespace ostravel::com::simhost

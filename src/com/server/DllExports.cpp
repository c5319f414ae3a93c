// The four functions through which COM registers the plug-in's class and makes its objects.

#include "com/ComSupport.h"
#include "com/server/ClassFactory.h"
#include "com/server/Registration.h"

using ostravel::com::ClassFactory;

STDAPI DllGetClassObject(REFCLSID class_id, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (class_id != ostravel::com::kOstravelMainClassId) return CLASS_E_CLASSNOTAVAILABLE;
  try {
    return ostravel::com::MakeComObject<ClassFactory>()->QueryInterface(iid, out);
  } catch (...) {
    return ostravel::com::ReportedHresult();
  }
}

STDAPI DllCanUnloadNow() {
  return ostravel::com::CanUnload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  try {
    const std::wstring path = ostravel::com::ThisModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    return ostravel::com::WriteRegistration(HKEY_CLASSES_ROOT,
                                            ostravel::com::ServerRegistration(path));
  } catch (...) {
    return ostravel::com::ReportedHresult();
  }
}

STDAPI DllUnregisterServer() {
  try {
    // The path is not part of what is removed, so a copy elsewhere unregisters the same keys.
    return ostravel::com::RemoveRegistration(HKEY_CLASSES_ROOT,
                                             ostravel::com::ServerRegistration(L""));
  } catch (...) {
    return ostravel::com::ReportedHresult();
  }
}

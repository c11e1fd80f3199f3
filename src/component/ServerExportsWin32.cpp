// DllGetClassObject and DllCanUnloadNow of BVLumora.dll: LumoraCtl's class factory, and whether
// the library may go (automation/ComServer.h).
#include "component/CreatableClasses.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return lumora::com::GetClassObject(lumora::com::ComponentServer(), clsid, iid, out);
}

STDAPI DllCanUnloadNow() {
  return lumora::com::CanUnloadNow(lumora::com::ComponentServer());
}

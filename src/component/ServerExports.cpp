// The class factory of LumoraCtl on the component's own C interface, and the exports
// DllGetClassObject and DllCanUnloadNow that hand it out and tell whether the library may go.
#include <new>

#include "component/ComponentState.h"
#include "component/ControlObject.h"
#include "marshal/ComObject.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

struct FactoryObject : marshal::ComObject<FactoryObject> {
  marshal::Face<IClassFactory, FactoryObject> face;

  FactoryObject();
  ~FactoryObject() { --LiveObjects(); }
  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    return Query(iid, out, {{&IID_IClassFactory, &face}});
  }

  static LumoraHResult LUMORA_CALL CreateInstance(IClassFactory*, IUnknown* outer,
                                                  const LumoraGuid* iid, void** out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return LUMORA_CLASS_E_NOAGGREGATION;
    return NewControlObject(iid, out);
  }
  static LumoraHResult LUMORA_CALL LockServer(IClassFactory*, int32_t lock) {
    if (lock != 0) {
      ++ServerLocks();
    } else if (ServerLocks() > 0) {
      --ServerLocks();
    }
    return LUMORA_S_OK;
  }
};

using FactoryUnknown = marshal::Unknown<IClassFactory, FactoryObject>;
const IClassFactoryVtbl kFactoryVtbl = {FactoryUnknown::QueryInterface, FactoryUnknown::AddRef,
                                        FactoryUnknown::Release, FactoryObject::CreateInstance,
                                        FactoryObject::LockServer};

FactoryObject::FactoryObject() : face{&kFactoryVtbl, this} {
  ++LiveObjects();
}

}  // namespace
}  // namespace lumora::com

extern "C" LUMORA_EXPORT LumoraHResult DllGetClassObject(const LumoraGuid* clsid,
                                                         const LumoraGuid* iid, void** out) {
  using namespace lumora::com;
  if (out == nullptr) return LUMORA_E_POINTER;
  *out = nullptr;
  if (clsid == nullptr || iid == nullptr) return LUMORA_E_INVALIDARG;
  if (!lumora::marshal::SameGuid(*clsid, CLSID_LumoraCtl)) return LUMORA_CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) FactoryObject();
  if (factory == nullptr) return LUMORA_E_OUTOFMEMORY;
  const LumoraHResult result = factory->QueryInterface(iid, out);
  factory->Release();
  return result;
}

extern "C" LUMORA_EXPORT LumoraHResult DllCanUnloadNow(void) {
  using namespace lumora::com;
  return LiveObjects() == 0 && ServerLocks() == 0 ? LUMORA_S_OK : LUMORA_S_FALSE;
}

#include "ClassFactoryCall.h"

namespace lumora::cli {

FactoryCall CreateByFactory(LumoraDllGetClassObjectFn getClassObject, const LumoraGuid& iid,
                            void** out) {
  *out = nullptr;
  IClassFactory* factory = nullptr;
  FactoryCall call;
  call.result =
      getClassObject(&CLSID_LumoraCtl, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (LUMORA_FAILED(call.result)) {
    call.factoryMissing = true;
    return call;
  }
  call.result = factory->CreateInstance(nullptr, iid, out);
  factory->Release();
  return call;
}

}  // namespace lumora::cli

// Making LumoraCtl through the component's class factory: DllGetClassObject, then the factory's
// CreateInstance. The factory is the component's own C interface on POSIX and the system's
// IClassFactory on Windows, so the two calls live in a file per platform.
#pragma once

#include "lumora/BVLumora.h"

namespace lumora::cli {

// What a factory call gave: the result of the step that failed (or S_OK), and which step it was.
struct FactoryCall {
  LumoraHResult result = LUMORA_S_OK;
  bool factoryMissing = false;  // DllGetClassObject failed; else CreateInstance did, if anything
};

// A new LumoraCtl for `iid` in *out (one reference), through `getClassObject`.
FactoryCall CreateByFactory(LumoraDllGetClassObjectFn getClassObject, const LumoraGuid& iid,
                            void** out);

}  // namespace lumora::cli

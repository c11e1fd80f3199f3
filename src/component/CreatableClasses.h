// The classes the Windows build's BVLumora.dll makes and registers: LumoraCtl and the automation
// helper DesignObjectFile, with what DllGetClassObject and DllRegisterServer need of each.
#pragma once

#include "lumora/BVLumora.h"

namespace lumora::com {

using CreateFn = LumoraHResult (*)(const LumoraGuid* iid, void** out);

struct CreatableClass {
  const LumoraGuid* clsid;
  const char* name;    // the class's name, the default value of its CLSID key
  const char* progId;  // version-independent, and the ProgID itself
  bool control;        // registered as a control (the Control key)
  CreateFn create;
};

// The classes, in registration order, and their count.
const CreatableClass* CreatableClassList(int& count);
// The class of `clsid`, or null.
const CreatableClass* FindCreatableClass(const LumoraGuid& clsid);

}  // namespace lumora::com

#include <iterator>

#include "component/ControlObject.h"
#include "component/CreatableClasses.h"
#include "component/com/DesignObjectFileObject.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

const CreatableClass kClasses[] = {
    {&CLSID_LumoraCtl, "LumoraCtl", LUMORA_PROGID, true, NewControlObject},
    {&CLSID_DesignObjectFile, "DesignObjectFile", LUMORA_DESIGN_OBJECT_FILE_PROGID, false,
     NewDesignObjectFile},
};

}  // namespace

const CreatableClass* CreatableClassList(int& count) {
  count = static_cast<int>(std::size(kClasses));
  return kClasses;
}

const CreatableClass* FindCreatableClass(const LumoraGuid& clsid) {
  for (const CreatableClass& creatable : kClasses) {
    if (marshal::SameGuid(clsid, *creatable.clsid)) return &creatable;
  }
  return nullptr;
}

}  // namespace lumora::com

#include <iterator>

#include "component/ControlObject.h"
#include "component/CreatableClasses.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

const CreatableClass kClasses[] = {
    {&CLSID_LumoraCtl, "LumoraCtl", LUMORA_PROGID, true, NewControlObject},
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

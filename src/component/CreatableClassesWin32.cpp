#include "component/CreatableClasses.h"

#include "component/ComponentState.h"
#include "component/ControlObject.h"
#include "component/com/ComTypes.h"

namespace lumora::com {
namespace {

const CreatableClass kClasses[] = {
    {&CLSID_LumoraCtl, "LumoraCtl", LUMORA_PROGID, true, NewControlObject},
};

}  // namespace

const ComServer& ComponentServer() {
  static const ComServer server{kClasses, 1, &LIBID_BVLumora, &LiveObjects(), &ServerLocks()};
  return server;
}

}  // namespace lumora::com

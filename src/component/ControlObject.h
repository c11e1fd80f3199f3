// The component's one creatable object, LumoraCtl, as its class factories make it: each platform's
// factory (ServerExports.cpp, ServerExportsWin32.cpp) asks for it here.
#pragma once

#include "lumora/BVLumora.h"

namespace lumora::com {

// A new LumoraCtl object answered for `iid` in *out (one reference); E_NOINTERFACE for an
// interface it does not have, and a failure result when it cannot be made.
LumoraHResult NewControlObject(const LumoraGuid* iid, void** out);

}  // namespace lumora::com

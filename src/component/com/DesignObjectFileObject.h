// The creatable class DesignObjectFile (BVLumora.DesignObjectFile): a design object read from a
// file for script hosts to hand to LumoraCtl, with the host settings the wizard runs with. Windows
// build only.
#pragma once

#include "lumora/BVLumora.h"

namespace lumora::com {

// A new DesignObjectFile answered for `iid` in *out (one reference).
LumoraHResult NewDesignObjectFile(const LumoraGuid* iid, void** out);

}  // namespace lumora::com

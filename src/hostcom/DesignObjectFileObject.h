// The creatable class DesignObjectFile (BVLumora.DesignObjectFile) of BVLumoraHost.dll: a design
// object read from a file for script hosts to hand to LumoraCtl, with the host settings the wizard
// runs with. Windows build only.
#pragma once

#include <atomic>

#include "lumora/BVLumora.h"

namespace lumora::com {

// A new DesignObjectFile answered for `iid` in *out (one reference).
LumoraHResult NewDesignObjectFile(const LumoraGuid* iid, void** out);

// The library's objects not yet freed and its server locks (DllCanUnloadNow answers from them).
std::atomic<long>& HostLiveObjects();
std::atomic<long>& HostServerLocks();

}  // namespace lumora::com

// The host's registry objects over the system's live registry (LiveRegistryWin32.cpp): keys
// opened with RegOpenKeyExW in the 32- or 64-bit view, values listed with RegEnumValueW in the
// registry's order and converted as every registry source's are (HostRegistry.h). Nothing is
// read before the component asks. Outside Windows (LiveRegistry.cpp) asking for it is refused.
#pragma once

#include <memory>

#include "contract/Registry.h"

namespace lumora {

// A root-less key of the live registry; `bits` 32 or 64 picks the view (KEY_WOW64_32KEY or
// KEY_WOW64_64KEY). Throws HostError (bad input) outside Windows.
std::shared_ptr<RegistryKey> NewLiveRegistryKey(int bits);

}  // namespace lumora

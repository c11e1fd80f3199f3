// The live registry outside Windows: there is none to read, so asking for it is refused with
// the sources that stand in for it.
#include "hostlib/LiveRegistry.h"

#include "contract/HostError.h"

namespace lumora {

std::shared_ptr<RegistryKey> NewLiveRegistryKey(int /*bits*/) {
  throw HostError::BadInput(
      "live: the system's registry is read by the Windows build only; here name a Wine prefix "
      "folder, wine (the default prefix) or a .reg export");
}

}  // namespace lumora

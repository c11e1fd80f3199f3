// IsDriverSelected: the build-time selection test. It traps nothing: a "Drivers" value that is
// not a list, or selections shorter than the names, go back to the caller as failures.
#include "contract/Text.h"
#include "services/WizAPI.h"

namespace lumora {

bool WizAPI::IsDriverSelected(const Value& vDrvs, const Value& vDrvsSels,
                              const std::string& strDrv) {
  if (vDrvs.IsEmpty()) return false;
  const int32_t upper = vDrvs.UpperBound();
  if (!strDrv.empty()) {
    const std::string wanted = UCase(strDrv);
    for (int32_t i = 0; i <= upper; ++i) {
      const std::string name = vDrvs.At(i).ToString();
      if (!name.empty() && UCase(name) == wanted) return vDrvsSels.At(i).ToBool();
    }
    return false;
  }
  for (int32_t i = 0; i <= upper; ++i) {
    if (!vDrvs.At(i).ToString().empty() && vDrvsSels.At(i).ToBool()) return true;
  }
  return false;
}

}  // namespace lumora

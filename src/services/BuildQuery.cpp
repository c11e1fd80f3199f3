// IsDriverSelected: the build-time selection test. It traps nothing: a "Drivers" value that is
// not a list, or selections shorter than the names, go back to the caller as failures. Its loop
// counter is 16-bit, as the wizard's when it loads the drivers: a list whose upper bound passes
// 32767 fails with error 6 before the first element, and one of exactly 32768 elements fails
// when the counter passes its last element.
#include <algorithm>
#include <cstdint>

#include "contract/Int16.h"
#include "contract/Text.h"
#include "services/WizAPI.h"

namespace lumora {
namespace {

// The next value of the 16-bit counter; passing 32767 fails with error 6.
int16_t Next(int16_t i) {
  return ToInt16(int32_t{i} + 1);
}

// Element i of the names, without a copy when they are a list of strings.
// `names` is the list when the names are a list of strings, else null.
const std::string& NameAt(const Value& vDrvs, const std::vector<std::string>* names, int16_t i,
                          std::string& scratch) {
  if (names != nullptr && static_cast<size_t>(i) < names->size()) {
    return (*names)[static_cast<size_t>(i)];
  }
  scratch = vDrvs.At(i).ToString();
  return scratch;
}

// Whether selection i is set, without making a value when the selections are a list of booleans.
bool SelectedAt(const Value& vDrvsSels, int16_t i) {
  if (vDrvsSels.kind() == Value::Kind::BooleanArray) {
    const auto& selections = vDrvsSels.AsBooleans();
    if (static_cast<size_t>(i) < selections.size()) return selections[static_cast<size_t>(i)];
  }
  return vDrvsSels.At(i).ToBool();
}

}  // namespace

bool WizAPI::IsDriverSelected(const Value& vDrvs, const Value& vDrvsSels,
                              const std::string& strDrv) {
  if (vDrvs.IsEmpty()) return false;
  const int16_t upper = ToInt16(vDrvs.UpperBound());
  std::string scratch;
  const std::vector<std::string>* names =
      vDrvs.kind() == Value::Kind::StringArray ? &vDrvs.AsStrings() : nullptr;
  if (!strDrv.empty()) {
    for (int16_t i = 0; i <= upper; i = Next(i)) {
      const std::string& name = NameAt(vDrvs, names, i, scratch);
      if (!name.empty() && EqualsIgnoringCase(name, strDrv)) return SelectedAt(vDrvsSels, i);
    }
    return false;
  }
  for (int16_t i = 0; i <= upper; i = Next(i)) {
    if (!NameAt(vDrvs, names, i, scratch).empty() && SelectedAt(vDrvsSels, i)) return true;
  }
  return false;
}

}  // namespace lumora

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

// Whether `name` and `wanted` are equal upper-cased. Plain ASCII texts are compared in place;
// any other byte takes the full upper-casing.
bool SameIgnoringCase(const std::string& name, const std::string& wanted) {
  const size_t shorter = std::min(name.size(), wanted.size());
  for (size_t i = 0; i < shorter; ++i) {
    const unsigned char a = static_cast<unsigned char>(name[i]);
    const unsigned char b = static_cast<unsigned char>(wanted[i]);
    if (a >= 0x80 || b >= 0x80) return UCase(name) == UCase(wanted);
    if ((a >= 'a' && a <= 'z' ? a - 32 : a) != (b >= 'a' && b <= 'z' ? b - 32 : b)) return false;
  }
  for (size_t i = shorter; i < std::max(name.size(), wanted.size()); ++i) {
    const std::string& longer = name.size() > wanted.size() ? name : wanted;
    if (static_cast<unsigned char>(longer[i]) >= 0x80) return UCase(name) == UCase(wanted);
  }
  return name.size() == wanted.size();
}

// Element i of the names, without a copy when they are a list of strings.
const std::string& NameAt(const Value& vDrvs, int16_t i, std::string& scratch) {
  if (vDrvs.kind() == Value::Kind::StringArray) {
    const auto& names = vDrvs.AsStrings();
    if (static_cast<size_t>(i) < names.size()) return names[static_cast<size_t>(i)];
  }
  scratch = vDrvs.At(i).ToString();
  return scratch;
}

}  // namespace

bool WizAPI::IsDriverSelected(const Value& vDrvs, const Value& vDrvsSels,
                              const std::string& strDrv) {
  if (vDrvs.IsEmpty()) return false;
  const int16_t upper = ToInt16(vDrvs.UpperBound());
  std::string scratch;
  if (!strDrv.empty()) {
    for (int16_t i = 0; i <= upper; i = Next(i)) {
      const std::string& name = NameAt(vDrvs, i, scratch);
      if (!name.empty() && SameIgnoringCase(name, strDrv)) return vDrvsSels.At(i).ToBool();
    }
    return false;
  }
  for (int16_t i = 0; i <= upper; i = Next(i)) {
    if (!NameAt(vDrvs, i, scratch).empty() && vDrvsSels.At(i).ToBool()) return true;
  }
  return false;
}

}  // namespace lumora

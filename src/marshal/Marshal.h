// Moving strings, values, GUIDs and failures across the component's C boundary
// (include/lumora/BVLumora.h). Both sides of the boundary use these helpers: each side builds the
// C values it hands out with ToCValue and frees them itself with FreeCValue, so memory is always
// released by the side that allocated it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "contract/Value.h"
#include "lumora/BVLumora.h"

namespace lumora::marshal {

// A borrowed view of `text`, valid while `text` lives unchanged.
inline LumoraString View(const std::string& text) {
  return LumoraString{text.data(), text.size()};
}
inline std::string Copy(LumoraString text) {
  return text.data == nullptr ? std::string() : std::string(text.data, text.length);
}

bool SameGuid(const LumoraGuid& a, const LumoraGuid& b);
// "{AFB22445-A174-40F6-8071-E46B5B17970C}"
std::string GuidText(const LumoraGuid& guid);

// A C value holding a deep copy of `value`, allocated here; release it with FreeCValue.
LumoraValue ToCValue(const Value& value);
void FreeCValue(LumoraValue& value);
// A C value whose strings inside arrays, lists and objects are views of `value`'s own (only the
// tables are allocated here): valid while any copy of `value` lives, since copies share their
// elements. A lone string is copied. Release it with FreeCView.
LumoraValue ViewCValue(const Value& value);
void FreeCView(LumoraValue& view);
// The table a C value of an array, list or object kind holds, or null.
const void* TableOf(const LumoraValue& value);
// A deep copy of a C value; fails with 13 (type mismatch) for an unknown kind.
Value FromCValue(const LumoraValue& value);

// A failure as it crosses the boundary.
struct FailureText {
  int32_t number = 0;
  std::string description;
  std::string source;
};

// A new failure-info object with one reference. `liveObjects`, when given, counts the object
// while it lives (the component's unload check).
IFailureInfo* NewFailureInfo(FailureText failure, std::atomic<long>* liveObjects = nullptr);
// What `info` says; a null `info` gives number 0 and empty texts.
FailureText ReadFailureInfo(IFailureInfo* info);

// Releases an interface pointer held in a C struct whose first member is the vtable pointer.
template <class Interface>
void ReleaseInterface(Interface*& p) {
  if (p != nullptr) p->lpVtbl->Release(p);
  p = nullptr;
}

}  // namespace lumora::marshal

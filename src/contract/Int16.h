// The original's counters and indexes are 16-bit signed integers, and that limit is real: a
// count or index that passes 32767 fails with error 6 "Overflow", like every other failure.
#pragma once

#include <cstdint>

#include "contract/Failure.h"

namespace lumora {

inline int16_t ToInt16(int64_t value) {
  if (value < INT16_MIN || value > INT16_MAX) Raise(kOverflow);
  return static_cast<int16_t>(value);
}

inline int32_t ToInt32(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) Raise(kOverflow);
  return static_cast<int32_t>(value);
}

}  // namespace lumora

// The module SortArrays: the string sort the registry discovery uses for attribute lines. The
// order is byte-wise ascending; the sort is the standard library's introsort, so its cost is
// n log n comparisons whatever the input (sorted, reversed or all equal).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "contract/Failure.h"
#include "contract/Trap.h"

namespace lumora::SortArrays {

// Sorts arr[lo..hi] in place by `less`; an empty range (hi <= lo) is left alone, and a range
// outside the array is reported as "SortArrays:QuicksortString" with the array unchanged.
template <class Less>
void SortStringRange(std::vector<std::string>& arr, int16_t lo, int16_t hi, Less less) {
  Trap("SortArrays:QuicksortString", [&] {
    if (hi <= lo) return;
    if (lo < 0 || static_cast<size_t>(hi) >= arr.size()) Raise(kSubscriptOutOfRange);
    std::sort(arr.begin() + lo, arr.begin() + hi + 1, less);
  });
}

// Sorts arr[lo..hi] in place, ascending by byte-wise comparison (strings that compare equal are
// the same bytes, so the result is the one order there is). Indexes are 16-bit.
inline void QuicksortString(std::vector<std::string>& arr, int16_t lo, int16_t hi) {
  SortStringRange(arr, lo, hi, std::less<std::string>());
}

}  // namespace lumora::SortArrays

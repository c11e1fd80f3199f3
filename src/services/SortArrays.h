// The module SortArrays: the string sort the registry discovery uses for attribute lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumora::SortArrays {

// Sorts arr[lo..hi] in place, ascending by byte-wise comparison, with a randomly chosen pivot
// and a moving hole; elements equal to the pivot end on its right. Indexes are 16-bit. A bad
// range is reported as "SortArrays:QuicksortString" and leaves the array partly sorted.
void QuicksortString(std::vector<std::string>& arr, int16_t lo, int16_t hi);

}  // namespace lumora::SortArrays

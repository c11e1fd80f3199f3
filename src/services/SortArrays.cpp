#include "services/SortArrays.h"

#include <random>

#include "contract/Failure.h"
#include "contract/Trap.h"

namespace lumora::SortArrays {
namespace {

// The pivot source. It is never seeded: the order of pivots is the same from run to run, and
// the sorted result never depends on it.
double NextRandom() {
  static std::minstd_rand engine;
  return static_cast<double>(engine() - engine.min()) /
         (static_cast<double>(engine.max() - engine.min()) + 1.0);
}

// One partition of arr[lo..hi] around a random pivot with a moving hole; returns where the
// pivot came to rest. Elements equal to the pivot end on its right.
int32_t Partition(std::vector<std::string>& arr, int32_t lo, int32_t hi) {
  const auto p = static_cast<int32_t>((hi - lo + 1) * NextRandom() + lo);
  std::string pivot = std::move(arr[p]);
  if (p != lo) arr[p] = std::move(arr[lo]);  // the hole is now at lo
  int32_t i = lo;
  int32_t j = hi;
  for (;;) {
    bool done = false;
    while (arr[j] >= pivot) {
      --j;
      if (j <= i) {
        done = true;
        break;
      }
    }
    if (done || j <= i) break;
    arr[i] = std::move(arr[j]);  // the hole moves to j
    ++i;
    while (i < j && arr[i] < pivot) ++i;
    if (i >= j) break;
    arr[j] = std::move(arr[i]);  // the hole moves to i
  }
  arr[i] = std::move(pivot);
  return i;
}

// Sorts arr[lo..hi]: recurses into the smaller side and goes on with the larger one, so that
// the depth stays logarithmic even for sorted or all-equal input.
void SortRange(std::vector<std::string>& arr, int32_t lo, int32_t hi) {
  while (hi > lo) {
    const int32_t i = Partition(arr, lo, hi);
    if (i - lo < hi - i) {
      SortRange(arr, lo, i - 1);
      lo = i + 1;
    } else {
      SortRange(arr, i + 1, hi);
      hi = i - 1;
    }
  }
}

}  // namespace

void QuicksortString(std::vector<std::string>& arr, int16_t lo, int16_t hi) {
  Trap("SortArrays:QuicksortString", [&] {
    if (hi <= lo) return;
    if (lo < 0 || static_cast<size_t>(hi) >= arr.size()) Raise(kSubscriptOutOfRange);
    SortRange(arr, lo, hi);
  });
}

}  // namespace lumora::SortArrays

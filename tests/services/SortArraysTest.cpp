// The attribute-line sort: ordinal order, ranges, duplicates and the 16-bit limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "services/SortArrays.h"
#include "support/Records.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

using SortArrays::QuicksortString;
using Strings = std::vector<std::string>;

TEST(QuicksortString, SortsTheGivenRangeByteWiseAndReportsOneOutsideTheArray) {
  const struct {
    Strings in;
    int16_t lo, hi;
    Strings expected;
  } cases[] = {
      {{"Setup=", "SQLLevel=", "APILevel="}, 0, 2, {"APILevel=", "SQLLevel=", "Setup="}},
      {{"a", "Z", "DriverName=x", "DriverId=25", "Driver=y", "Description=d", "DBQ=q"},
       0,
       6,
       {"DBQ=q", "Description=d", "Driver=y", "DriverId=25", "DriverName=x", "Z", "a"}},
      {{"only"}, 0, 0, {"only"}},
      {{"c", "b", "a"}, 1, 1, {"c", "b", "a"}},
      {{"c", "b", "a"}, 2, 0, {"c", "b", "a"}},  // hi below lo: nothing to do
      {{"z", "d", "c", "b", "a"}, 1, 3, {"z", "b", "c", "d", "a"}},
      {{"b", "a"}, 0, 5, {"b", "a"}},  // a range outside the array is reported
  };
  for (const auto& c : cases) {
    testing::TestHost host;
    Strings a = c.in;
    QuicksortString(a, c.lo, c.hi);
    EXPECT_EQ(a, c.expected) << c.lo << ".." << c.hi;
    EXPECT_EQ(testing::Reported(host), c.hi < static_cast<int16_t>(c.in.size())
                                           ? Strings{}
                                           : Strings{"SortArrays:QuicksortString 9"});
  }
}

// Many duplicates, and the largest 16-bit range equal, sorted, reversed and shuffled.
TEST(QuicksortString, KeepsEveryElementOfLargeAndRepetitiveArrays) {
  testing::TestHost host;
  std::mt19937 rng(7);
  Strings dups;
  for (int i = 0; i < 2000; ++i) dups.push_back(std::string(1, static_cast<char>('a' + rng() % 3)));
  Strings sorted;
  for (int i = 0; i < 32767; ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "k%05d", i);
    sorted.push_back(buf);
  }
  Strings reversed(sorted.rbegin(), sorted.rend());
  Strings shuffled = sorted;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(1));
  for (Strings a : {dups, Strings(32767, "DriverName=same"), sorted, reversed, shuffled}) {
    Strings expected = a;
    std::sort(expected.begin(), expected.end());
    QuicksortString(a, 0, static_cast<int16_t>(a.size() - 1));
    EXPECT_EQ(a, expected) << a.size();
  }
  EXPECT_TRUE(host.reports().empty());
}

}  // namespace
}  // namespace lumora

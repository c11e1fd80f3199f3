// The attribute-line sort: ordinal order, ranges, duplicates and the 16-bit limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "services/SortArrays.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

using SortArrays::QuicksortString;
using Strings = std::vector<std::string>;

TEST(QuicksortString, OrdersByteWiseWithUpperCaseFirst) {
  testing::TestHost host;
  Strings a = {"Setup=", "SQLLevel=", "APILevel="};
  QuicksortString(a, 0, 2);
  EXPECT_EQ(a, (Strings{"APILevel=", "SQLLevel=", "Setup="}));

  Strings b = {"a", "Z", "DriverName=x", "DriverId=25", "Driver=y", "Description=d", "DBQ=q"};
  QuicksortString(b, 0, 6);
  EXPECT_EQ(
      b, (Strings{"DBQ=q", "Description=d", "Driver=y", "DriverId=25", "DriverName=x", "Z", "a"}));
  EXPECT_TRUE(host.reports().empty());
}

TEST(QuicksortString, LeavesSingleElementsAndEmptyRangesAlone) {
  testing::TestHost host;
  Strings one = {"only"};
  QuicksortString(one, 0, 0);
  EXPECT_EQ(one, Strings{"only"});

  Strings some = {"c", "b", "a"};
  QuicksortString(some, 1, 1);
  EXPECT_EQ(some, (Strings{"c", "b", "a"}));
  QuicksortString(some, 2, 0);  // hi below lo: nothing to do, even out of range
  EXPECT_EQ(some, (Strings{"c", "b", "a"}));
  EXPECT_TRUE(host.reports().empty());
}

TEST(QuicksortString, SortsOnlyTheGivenRange) {
  testing::TestHost host;
  Strings a = {"z", "d", "c", "b", "a"};
  QuicksortString(a, 1, 3);
  EXPECT_EQ(a, (Strings{"z", "b", "c", "d", "a"}));
}

TEST(QuicksortString, KeepsEveryElementWithManyDuplicates) {
  testing::TestHost host;
  std::mt19937 rng(7);
  Strings a;
  for (int i = 0; i < 2000; ++i) a.push_back(std::string(1, static_cast<char>('a' + rng() % 3)));
  Strings expected = a;
  std::sort(expected.begin(), expected.end());
  QuicksortString(a, 0, static_cast<int16_t>(a.size() - 1));
  EXPECT_EQ(a, expected);
}

TEST(QuicksortString, HandlesTheLargest16BitRangeSortedEqualOrShuffled) {
  testing::TestHost host;
  const int16_t hi = 32766;  // 32767 elements
  Strings equal(32767, "DriverName=same");
  QuicksortString(equal, 0, hi);
  EXPECT_EQ(equal, Strings(32767, "DriverName=same"));

  Strings sorted;
  for (int i = 0; i < 32767; ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "k%05d", i);
    sorted.push_back(buf);
  }
  Strings a = sorted;
  QuicksortString(a, 0, hi);
  EXPECT_EQ(a, sorted);
  std::reverse(a.begin(), a.end());
  QuicksortString(a, 0, hi);
  EXPECT_EQ(a, sorted);
  std::shuffle(a.begin(), a.end(), std::mt19937(1));
  QuicksortString(a, 0, hi);
  EXPECT_EQ(a, sorted);
  EXPECT_TRUE(host.reports().empty());
}

TEST(QuicksortString, ReportsARangeOutsideTheArray) {
  testing::TestHost host;
  Strings a = {"b", "a"};
  QuicksortString(a, 0, 5);
  ASSERT_EQ(host.reports().size(), 1u);
  EXPECT_EQ(host.reports()[0].number, 9);
  EXPECT_EQ(host.reports()[0].procedure, "SortArrays:QuicksortString");
  EXPECT_EQ(a, (Strings{"b", "a"}));
}

}  // namespace
}  // namespace lumora

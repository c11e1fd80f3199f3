// The ordered, name-identified collections, and the user/system rule of a data source.
#include <gtest/gtest.h>

#include "model/Collections.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

DriverPtr MakeDriver(const std::string& name, bool selected = false) {
  auto d = std::make_shared<Driver>();
  d->SetName(name);
  d->SetSelected(selected);
  return d;
}

std::vector<std::string> Names(const Drivers& drivers) {
  std::vector<std::string> out;
  for (const DriverPtr& d : drivers) out.push_back(d->Name());
  return out;
}

class Collections : public ::testing::Test {
 protected:
  testing::TestHost host_;
};

TEST_F(Collections, AddKeepsTheFirstRecordOfAnExactName) {
  Drivers drivers;
  drivers.Add(MakeDriver("SQL Server", true));
  drivers.Add(MakeDriver("SQL Server", false));
  drivers.Add(MakeDriver("sql server"));
  ASSERT_EQ(drivers.Count(), 2);
  EXPECT_TRUE(drivers.Item(1)->Selected()) << "the earlier member and its flags stay";
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"SQL Server", "sql server"}));
  EXPECT_TRUE(host_.reports().empty());
}

// Out-of-range items are no record, members are shared rather than copied, and an empty
// collection empties harmlessly; none of it is reported.
TEST_F(Collections, ItemsAreSharedAndOutOfRangeIsNoRecord) {
  Drivers a, b;
  DriverPtr d = MakeDriver("A");
  a.RemoveAll();
  a.Add(d);
  b.Add(d);
  d->SetSelected(true);
  EXPECT_TRUE(a.Item(1)->Selected());
  EXPECT_EQ(a.Item(1), b.Item(1));
  for (int16_t i : {0, -1, 2}) EXPECT_EQ(a.Item(i), nullptr) << i;
  a.RemoveAll();
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(a.Item(1), nullptr);
  EXPECT_EQ(b.Count(), 1);
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(Collections, RemoveDropsTheFirstMemberOfThatNameByAnyRecord) {
  Drivers drivers;
  DriverPtr first = MakeDriver("A");
  drivers.Add(first);
  drivers.Add(MakeDriver("B"));
  drivers.Add(MakeDriver("C"));
  drivers.Item(3)->SetName("A");  // renamed after adding: two members share a name
  drivers.Remove(MakeDriver("A"));
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"B", "A"}));
  drivers.Remove(MakeDriver("not held"));
  EXPECT_EQ(drivers.Count(), 2);
  drivers.Remove(MakeDriver("a"));
  EXPECT_EQ(drivers.Count(), 2) << "names compare exactly";
}

TEST_F(Collections, AddSeesNamesChangedAfterAdding) {
  Drivers first, second;
  DriverPtr shared = MakeDriver("Old");
  first.Add(shared);
  second.Add(shared);
  second.Add(MakeDriver("Other"));
  shared->SetName("New");
  first.Add(MakeDriver("New"));
  second.Add(MakeDriver("New"));
  EXPECT_EQ(Names(first), (std::vector<std::string>{"New"}));
  EXPECT_EQ(Names(second), (std::vector<std::string>{"New", "Other"}));
  first.Add(MakeDriver("Old"));
  EXPECT_EQ(Names(first), (std::vector<std::string>{"New", "Old"})) << "the old name is free";
  first.Remove(MakeDriver("New"));
  first.Add(MakeDriver("New"));
  EXPECT_EQ(Names(first), (std::vector<std::string>{"Old", "New"}));
  Driver copy = *shared;  // a copy is held by no collection
  copy.SetName("Other");
  second.Add(MakeDriver("Other"));
  EXPECT_EQ(second.Count(), 2);
}

TEST_F(Collections, EmptyNamesAreMembersLikeAnyOther) {
  DataSources sources;
  sources.Add(std::make_shared<DataSource>());
  sources.Add(std::make_shared<DataSource>());
  EXPECT_EQ(sources.Count(), 1);
}

TEST_F(Collections, NullRecordIsReportedUnderTheFamilyName) {
  DataSources sources;
  sources.Add(nullptr);
  sources.Remove(nullptr);
  EXPECT_EQ(host_.procedures(),
            (std::vector<std::string>{"DataSources:Add", "DataSources:Remove"}));
  EXPECT_EQ(host_.reports()[0].number, 91);
}

// Setting one of the user/system flags clears the other; clearing one leaves the other as it is.
TEST(Records, UserAndSystemAreNeverBothTrue) {
  DataSource s;
  EXPECT_TRUE(s.UserDSN() && !s.SystemDSN());
  const struct {
    bool system;
    bool value;
    bool user, systemAfter;
  } steps[] = {{true, true, false, true},
               {true, false, false, false},
               {false, true, true, false},
               {false, false, false, false}};
  for (const auto& step : steps) {
    step.system ? s.SetSystemDSN(step.value) : s.SetUserDSN(step.value);
    EXPECT_EQ(s.UserDSN(), step.user);
    EXPECT_EQ(s.SystemDSN(), step.systemAfter);
  }
}

TEST_F(Collections, SixteenBitLimit) {
  Drivers drivers;
  for (int i = 0; i < 32767; ++i) drivers.Add(MakeDriver(std::to_string(i)));
  EXPECT_EQ(drivers.Count(), 32767);
  EXPECT_TRUE(host_.reports().empty());
  drivers.Add(MakeDriver("the 32768th"));  // the scan still fits 16 bits, so it is appended
  EXPECT_TRUE(host_.reports().empty());
  try {
    drivers.Count();
    FAIL() << "Count must overflow with 32768 members";
  } catch (const Failure& f) {
    EXPECT_EQ(f.number(), 6);
  }
  drivers.Add(MakeDriver("one more"));  // Add's own Count now overflows: reported, not added
  ASSERT_EQ(host_.reports().size(), 1u);
  EXPECT_EQ(host_.reports()[0].procedure, "Drivers:Add");
  EXPECT_EQ(host_.reports()[0].number, 6);
  EXPECT_EQ(drivers.Item(1), nullptr) << "Item's range check overflows too and is reported";
  EXPECT_EQ(host_.procedures().back(), "Drivers:Item[Get]");
  int n = 0;
  for (const DriverPtr& d : drivers) n += d != nullptr;
  EXPECT_EQ(n, 32768) << "iteration is not limited";
}

}  // namespace
}  // namespace lumora

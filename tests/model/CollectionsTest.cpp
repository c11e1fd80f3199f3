// The ordered, name-identified collections. (The user/system rule of a data source: the scripted
// case data-source-system-to-user, and the loads and copies of CatalogueTest.)
#include <gtest/gtest.h>

#include "model/Collections.h"
#include "support/Outcome.h"
#include "support/Records.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

using testing::Make;

class Collections : public ::testing::Test {
 protected:
  testing::TestHost host_;
};

// Each case is a run of steps on one collection: "+X" adds a new record named X ("+X*" a
// selected one), "-X" removes by a new record named X, "X>Y" renames the first member named X.
// Names compare exactly, and always as they are now, not as they were when added.
TEST_F(Collections, AddKeepsTheFirstOfAnExactNameAndRemoveDropsTheFirst) {
  const struct {
    std::vector<std::string> steps;
    std::vector<std::string> expected;  // names, "*" marking selected members
  } cases[] = {
      {{"+SQL Server*", "+SQL Server", "+sql server"}, {"SQL Server*", "sql server"}},
      {{"+A", "+B", "+C", "C>A", "-A", "-not held", "-a"}, {"B", "A"}},
      {{"+Old", "Old>New", "+New", "+Old"}, {"New", "Old"}},
      {{"+Old", "Old>New", "+Old", "-New", "+New"}, {"Old", "New"}},
      {{"+", "+"}, {""}},
  };
  for (const auto& c : cases) {
    Drivers drivers;
    for (const std::string& step : c.steps) {
      const size_t arrow = step.find('>');
      if (arrow != std::string::npos) {
        for (const DriverPtr& d : drivers) {
          if (d->Name() == step.substr(0, arrow)) {
            d->SetName(step.substr(arrow + 1));
            break;
          }
        }
      } else if (step[0] == '+') {
        const bool selected = step.back() == '*';
        drivers.Add(Make(step.substr(1, step.size() - 1 - selected), "", selected));
      } else {
        drivers.Remove(Make(step.substr(1)));
      }
    }
    std::vector<std::string> got;
    for (const DriverPtr& d : drivers) got.push_back(d->Name() + (d->Selected() ? "*" : ""));
    EXPECT_EQ(got, c.expected) << c.steps.back();
  }
  EXPECT_TRUE(host_.reports().empty());
}

// Out-of-range items are no record, members are shared rather than copied, and an empty
// collection empties harmlessly; none of it is reported, but a null record is.
TEST_F(Collections, ItemsAreSharedAndOutOfRangeIsNoRecord) {
  Drivers a, b;
  DriverPtr d = Make("A");
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
  // A null record is reported under the family's name.
  DataSources sources;
  sources.Add(nullptr);
  sources.Remove(nullptr);
  EXPECT_EQ(testing::Reported(host_),
            (std::vector<std::string>{"DataSources:Add 91", "DataSources:Remove 91"}));
}

TEST_F(Collections, SixteenBitLimit) {
  Drivers drivers;
  for (int i = 0; i < 32767; ++i) drivers.Add(Make(std::to_string(i)));
  EXPECT_EQ(drivers.Count(), 32767);
  drivers.Add(Make("the 32768th"));  // the scan still fits 16 bits, so it is appended
  EXPECT_TRUE(host_.reports().empty());
  EXPECT_EQ(testing::FailureNumberOf([&] { drivers.Count(); }), 6) << "Count overflows";
  drivers.Add(Make("one more"));  // Add's own Count now overflows: reported, not added
  EXPECT_EQ(drivers.Item(1), nullptr) << "Item's range check overflows too and is reported";
  EXPECT_EQ(testing::Reported(host_),
            (std::vector<std::string>{"Drivers:Add 6", "Drivers:Item[Get] 6"}));
  int n = 0;
  for (const DriverPtr& d : drivers) n += d != nullptr;
  EXPECT_EQ(n, 32768) << "iteration is not limited";
}

}  // namespace
}  // namespace lumora
